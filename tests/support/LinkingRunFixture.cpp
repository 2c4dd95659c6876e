#include "support/LinkingRunFixture.h"

#include "engine/Queue.h"

namespace quarlo::test {

std::unique_ptr<TQLTask> LinkingRunFixture::linkingTask(const std::string& name) {
    site.setStyle("main", "h1 { background: url(../files/2.dat) }\n");
    site.setPage("home", "<html><head><link rel=\"stylesheet\" href=\"../styles/main.css\">"
                         "</head><body>\n<a href=\"ok.html\">ok</a>\n"
                         "<a href=\"later.html#part\">later</a>\n"
                         "<img src=\"../files/1.dat\"><img src=\"../files/2.dat\">\n"
                         "<a href=\"/gone/deep/x.html\">gone</a>\n"
                         "<a href=\"" +
                             std::string(kOffSite) + "\">away</a>\n</body></html>\n");
    site.setPage("ok", "<html><body>ok</body></html>");
    auto task = pageTask(name, site.pageUrl("home"));
    task->profile() = TQLProfile::defaults();
    task->profile().setResourceLocation(TQLProfile::WithinSite);
    task->profile().setConvertFollowedLinks(1);
    task->profile().setConvertUnfollowedLinks(2);
    return task;
}

bool LinkingRunFixture::stopWhileFileIsFetched(int n) {
    const bool reached = runUntil([&] {
        const auto page = entry(site.pageUrl("home"));
        const auto ok = entry(site.pageUrl("ok"));
        return page && ok && page->Status == QueueStatus::Parsed &&
               ok->Status == QueueStatus::Parsed && site.requests(n) > 0;
    });
    downloader->stop();
    site.releaseAll();
    return reached;
}

void LinkingRunFixture::expectFirstRunLinks(const std::string& page) const {
    EXPECT_TRUE(quotes(page, "ok.html")) << page;
    EXPECT_TRUE(quotes(page, "../files/1.dat")) << page;
    EXPECT_TRUE(quotes(page, site.pageUrl("later") + "#part")) << page;
    EXPECT_TRUE(quotes(page, site.fileUrl(2))) << page;
    EXPECT_TRUE(quotes(page, kOffSite)) << page;
    EXPECT_NE(page.find("quarloBanner"), std::string::npos);
}

bool LinkingRunFixture::quotes(const std::string& text, const std::string& value) {
    return text.find("\"" + value + "\"") != std::string::npos;
}

} // namespace quarlo::test
