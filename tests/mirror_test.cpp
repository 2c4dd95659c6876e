// Whole-site mirroring: the sample site served on the loopback interface, mirrored by real
// runs (download thread, transfer slots, parse thread), and the saved copy checked the way a
// browser would follow its links.

#include "engine/Queue.h"
#include "engine/TQLDownloader.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/EventLoop.h"
#include "support/AppFixture.h"
#include "support/Compression.h"
#include "support/LinkChecker.h"
#include "support/LoopbackServer.h"
#include "support/RecordingUiHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace quarlo {
namespace {

const std::string kSiteFolder =
    fs::path(QUARLO_TEST_DATA "/../../data/sample-site/").lexically_normal().string();

// The sample site as its README describes it: files served from the folder, a request with a
// query string answered from "<path>@<query>".
class SampleSite {
public:
    SampleSite() {
        m_server.server().Get(
            ".*", [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    }
    // The server's threads use the members below: they end first.
    ~SampleSite() { m_server.stop(); }
    SampleSite(const SampleSite&) = delete;
    SampleSite& operator=(const SampleSite&) = delete;
    bool start() { return m_server.start(); }
    std::string url(const std::string& path) const { return m_server.url(path); }
    std::string root() const { return m_server.url("/"); }
    // Every answer waits this long first.
    void setDelay(std::chrono::milliseconds delay) { m_delayMs = static_cast<int>(delay.count()); }
    // Every answer comes compressed ("gzip" or "br"), whatever the request accepted.
    void setCoding(const std::string& coding) {
        std::lock_guard lock(m_mutex);
        m_coding = coding;
    }
    std::vector<std::string> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    void serve(const httplib::Request& req, httplib::Response& res) {
        if (m_delayMs > 0 && !m_server.pause(std::chrono::milliseconds(m_delayMs.load())))
            return;
        const std::size_t mark = req.target.find('?');
        const std::string query = mark == std::string::npos ? "" : req.target.substr(mark + 1);
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(req.target);
        }
        std::string coding;
        {
            std::lock_guard lock(m_mutex);
            coding = m_coding;
        }
        const std::string name = req.path.substr(1) + (query.empty() ? "" : "@" + query);
        const std::string file = kSiteFolder + name;
        std::error_code ec;
        if (name.find("..") != std::string::npos || !fs::is_regular_file(file, ec)) {
            res.status = 404;
            res.set_content("not found", "text/plain");
            return;
        }
        const std::string content = test::readWholeFile(file);
        if (coding.empty())
            res.set_content(content, contentType(name));
        else
            test::sendEncoded(res,
                              coding == "br" ? test::brotliCompressed(content).value()
                                             : test::gzipped(content),
                              coding, contentType(name));
    }
    static std::string contentType(const std::string& name) {
        const std::string extension = fs::path(name.substr(0, name.find('@'))).extension();
        if (extension == ".html" || extension == ".asp")
            return "text/html";
        if (extension == ".gif")
            return "image/gif";
        if (extension == ".png")
            return "image/png";
        return "application/octet-stream";
    }

    test::LoopbackServer m_server;
    std::atomic<int> m_delayMs{0};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::string m_coding;
};

using FileSet = std::set<std::string>;

const FileSet kPages = {"index.html",
                        "about.html",
                        "frames.html",
                        "menu.html",
                        "main.html",
                        "map.html",
                        "refresh.html",
                        "moved.html",
                        "applet.html",
                        "popup.html",
                        "my page.html",
                        "caf%C3%A9.html",
                        "scripted.html",
                        "history.html",
                        "news/index.html",
                        "news/show.html\xC2\xBFid=1.html",
                        "news/show.html\xC2\xBFid=2.html"};
const FileSet kResources = {"images/bg.gif",    "images/logo.gif", "images/map.gif",
                            "images/photo.png", "images/dot.png",  "java/Clock.class"};

FileSet unite(const FileSet& a, const FileSet& b) {
    FileSet all = a;
    all.insert(b.begin(), b.end());
    return all;
}

FileSet without(FileSet all, const FileSet& gone) {
    for (const std::string& name : gone)
        all.erase(name);
    return all;
}

class MirrorTest : public test::AppFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_site.start());
        m_app = makeApp();
        ASSERT_TRUE(m_app);
        ASSERT_TRUE(m_app->firstRunSetup());
        m_app->setHooks(&m_hooks);
        m_app->setDispatchPause(0);
        m_app->setConnections(4);
        m_app->setNoAds(false);
        m_downloader = std::make_unique<TQLDownloader>(*m_app, m_loop);
    }
    void TearDown() override {
        m_downloader.reset();
        if (m_app)
            m_app->setHooks(nullptr);
    }

    // An intranet-mode task for the site's home page with the default profile, kept to the
    // site, changed by `adjust`.
    std::unique_ptr<TQLTask> siteTask(const std::function<void(TQLProfile&)>& adjust = {},
                                      const std::string& start = "/index.html") {
        auto task = std::make_unique<TQLTask>(*m_app);
        EXPECT_TRUE(task->setLocation("General", "Sample"));
        task->setURL(m_site.url(start));
        task->setIntranetMode(true);
        task->setDestination(destination());
        task->profile() = TQLProfile::defaults();
        task->profile().setResourceLocation(TQLProfile::WithinSite);
        if (adjust)
            adjust(task->profile());
        return task;
    }
    std::string destination() const { return m_home.path() + "site/"; }
    std::string siteFolder() const { return destination() + "127.0.0.1/"; }

    bool runToEnd(std::unique_ptr<TQLTask> task) {
        if (!m_downloader->start(std::move(task)).ok())
            return false;
        if (m_loop.runUntil([this] { return !m_downloader->isRunning(); }, 30s))
            return true;
        // Says where a run that did not end was stuck.
        for (const auto& [status, count] : statusCounts())
            ADD_FAILURE() << count << " entries in status " << StatusName(status);
        const std::vector<std::string> lines = m_hooks.texts("status");
        for (std::size_t i = lines.size() > 5 ? lines.size() - 5 : 0; i < lines.size(); ++i)
            ADD_FAILURE() << "status line: " << lines[i];
        return false;
    }
    TaskStatus taskStatus() {
        std::lock_guard lock(m_app->currentTask()->mutex());
        return m_app->currentTask()->status();
    }
    std::map<QueueStatus, int> statusCounts() {
        TQLTask& task = *m_app->currentTask();
        std::lock_guard lock(task.mutex());
        std::map<QueueStatus, int> counts;
        for (std::size_t i = 0; i < task.queue().size(); ++i)
            ++counts[LoadItem(task, i)->Status];
        return counts;
    }
    // The files saved for the site, relative to its folder.
    FileSet savedFiles() const {
        FileSet files;
        std::error_code ec;
        for (fs::recursive_directory_iterator it(siteFolder(), ec), end; !ec && it != end;
             it.increment(ec))
            if (it->is_regular_file())
                files.insert(it->path().string().substr(siteFolder().size()));
        return files;
    }
    std::vector<test::BrokenLink> brokenLinks() {
        test::LinkChecker checker(siteFolder(), {m_site.root()});
        std::vector<test::BrokenLink> broken = checker.checkAll();
        m_linksFollowed = checker.linksFollowed();
        return broken;
    }
    // How often each page was loaded for parsing.
    std::map<std::string, int> pagesLoaded() const {
        std::map<std::string, int> loaded;
        for (const std::string& text : m_hooks.texts("status"))
            if (text.rfind("Loading Page: ", 0) == 0)
                ++loaded[text.substr(14)];
        return loaded;
    }

    SampleSite m_site;
    EventLoop m_loop;
    RecordingUiHooks m_hooks;
    std::unique_ptr<TQLApp> m_app;
    std::unique_ptr<TQLDownloader> m_downloader;
    int m_linksFollowed = 0;
};

TEST_F(MirrorTest, TheWholeSiteIsSavedAndEveryLinkOpensItsLocalCopy) {
    ASSERT_TRUE(runToEnd(siteTask()));

    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(savedFiles(), unite(kPages, kResources));
    const std::map<QueueStatus, int> statuses = statusCounts();
    EXPECT_EQ(statuses,
              (std::map<QueueStatus, int>{{QueueStatus::Saved, static_cast<int>(kResources.size())},
                                          {QueueStatus::Parsed, static_cast<int>(kPages.size())}}));
    const std::vector<test::BrokenLink> broken = brokenLinks();
    EXPECT_TRUE(broken.empty()) << test::describe(broken);
    EXPECT_GE(m_linksFollowed, 30);
    EXPECT_EQ(m_app->currentTask()->startPageTitle(), "Bluewater Rowing Club");

    // The link outside the site is never fetched; each page is parsed once.
    for (const std::string& request : m_site.requests())
        EXPECT_EQ(request.find("federation"), std::string::npos) << request;
    for (const auto& [page, times] : pagesLoaded())
        EXPECT_EQ(times, 1) << page;
    EXPECT_EQ(pagesLoaded().size(), kPages.size());

    // The banner is in ordinary pages, not in frames.
    const std::string banner = "quarloBanner";
    EXPECT_NE(test::readWholeFile(siteFolder() + "index.html").find(banner), std::string::npos);
    EXPECT_EQ(test::readWholeFile(siteFolder() + "menu.html").find(banner), std::string::npos);
    EXPECT_EQ(test::readWholeFile(siteFolder() + "main.html").find(banner), std::string::npos);
}

TEST_F(MirrorTest, TheProfileDecidesWhatIsSaved) {
    struct Case {
        const char* name;
        std::function<void(TQLProfile&)> adjust;
        std::string start;
        FileSet expected;
    };
    const FileSet levelOne =
        without(kPages, {"applet.html", "history.html", "news/show.html\xC2\xBFid=1.html",
                         "news/show.html\xC2\xBFid=2.html"});
    const Case cases[] = {
        {"depth 0: the start page and its resources",
         [](TQLProfile& p) { p.setDepth(0); },
         "/index.html",
         {"index.html", "images/bg.gif", "images/logo.gif", "images/dot.png"}},
        {"depth 1: frames and refresh targets count at their page's level",
         [](TQLProfile& p) { p.setDepth(1); }, "/index.html",
         unite(levelOne, without(kResources, {"java/Clock.class"}))},
        {"pages within the start directory",
         [](TQLProfile& p) { p.setPageLocation(TQLProfile::WithinDirectory); },
         "/news/index.html",
         {"news/index.html", "news/show.html\xC2\xBFid=1.html", "news/show.html\xC2\xBFid=2.html",
          "images/dot.png"}},
        {"only the file types chosen", [](TQLProfile& p) { p.setFileTypes({".html"}); },
         "/index.html", kPages},
        {"resources excluded by a filter",
         [](TQLProfile& p) { p.setUrlFiltersExclude({"[RL].png"}); }, "/index.html",
         unite(kPages, without(kResources, {"images/photo.png", "images/dot.png"}))},
        {"pages included by a filter",
         [](TQLProfile& p) { p.setUrlFiltersInclude({"[PL]news"}); },
         "/index.html",
         {"index.html", "news/index.html", "news/show.html\xC2\xBFid=1.html",
          "news/show.html\xC2\xBFid=2.html"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(destination());
        ASSERT_TRUE(runToEnd(siteTask(c.adjust, c.start)));
        EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
        EXPECT_EQ(savedFiles(), c.expected);
        EXPECT_EQ(statusCounts().count(QueueStatus::Error), 0u);
        const std::vector<test::BrokenLink> broken = brokenLinks();
        // Links to what a narrower profile left out point at the site; links to what it
        // saved must open.
        for (const test::BrokenLink& link : broken)
            EXPECT_EQ(link.reason, "points to the site on the web")
                << link.page << ": " << link.link << " (" << link.reason << ")";
    }
}

TEST_F(MirrorTest, WithoutConversionEveryLinkKeepsItsText) {
    m_app->setNoAds(true);
    ASSERT_TRUE(runToEnd(siteTask([](TQLProfile& p) {
        p.setConvertFollowedLinks(0);
        p.setConvertUnfollowedLinks(0);
    })));
    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(savedFiles(), unite(kPages, kResources));
    const std::map<std::string, std::string> served = {
        {"index.html", "index.html"},
        {"news/index.html", "news/index.html"},
        {"map.html", "map.html"},
        {"news/show.html\xC2\xBFid=1.html", "news/show.asp@id=1"},
        {"caf%C3%A9.html", "café.html"}};
    for (const auto& [saved, original] : served) {
        SCOPED_TRACE(saved);
        EXPECT_EQ(test::LinkChecker::linksOf(test::readWholeFile(siteFolder() + saved)),
                  test::LinkChecker::linksOf(test::readWholeFile(kSiteFolder + original)));
    }
    // Left as they were, links that relied on the BASE tag or name server pages no longer
    // open their copies.
    bool baseLinkBroken = false;
    for (const test::BrokenLink& link : brokenLinks())
        baseLinkBroken |= link.page == "news/index.html" && link.link == "history.html";
    EXPECT_TRUE(baseLinkBroken);
    // The BASE tag goes whatever the conversion settings.
    EXPECT_EQ(test::readWholeFile(siteFolder() + "news/index.html").find("<base"),
              std::string::npos);
}

TEST_F(MirrorTest, AStoppedMirrorResumesAndParsesNothingTwice) {
    m_site.setDelay(40ms);
    ASSERT_TRUE(m_downloader->start(siteTask()).ok());
    ASSERT_TRUE(m_loop.runUntil([this] { return statusCounts()[QueueStatus::Parsed] >= 4; }, 30s));
    m_downloader->stop();
    EXPECT_EQ(taskStatus(), TaskStatus::DownloadStopped);
    EXPECT_LT(statusCounts()[QueueStatus::Parsed], static_cast<int>(kPages.size()));

    // As after a restart of the program: the task and its queue read back from their files.
    const std::string path = m_app->currentTask()->filePath();
    m_app->setCurrentTask(nullptr);
    auto resumed = TQLTask::loadFromFile(*m_app, path);
    resumed->setRunMethod(RunMethod::Resume);
    m_site.setDelay(0ms);
    ASSERT_TRUE(runToEnd(std::move(resumed)));

    EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
    EXPECT_EQ(savedFiles(), unite(kPages, kResources));
    for (const auto& [page, times] : pagesLoaded())
        EXPECT_EQ(times, 1) << page;
    EXPECT_EQ(pagesLoaded().size(), kPages.size());
    const TQLTask& task = *m_app->currentTask();
    EXPECT_EQ(task.queue().size(), kPages.size() + kResources.size());
    const std::vector<test::BrokenLink> broken = brokenLinks();
    EXPECT_TRUE(broken.empty()) << test::describe(broken);
}

// Every answer compressed: pages are parsed from their decoded text and their links followed,
// every file is saved decoded, and the sizes are the decoded ones.
TEST_F(MirrorTest, ASiteThatAlwaysCompressesIsSavedDecoded) {
    for (const std::string coding : {"gzip", "br"}) {
        SCOPED_TRACE(coding);
        if (coding == "br" && !test::brotliCompressed("x")) {
            std::cout << "[ INFO     ] no brotli encoder: the br site is not tried\n";
            continue;
        }
        fs::remove_all(destination());
        m_site.setCoding(coding);
        ASSERT_TRUE(runToEnd(siteTask()));
        EXPECT_EQ(taskStatus(), TaskStatus::TaskComplete);
        EXPECT_EQ(savedFiles(), unite(kPages, kResources));
        const std::vector<test::BrokenLink> broken = brokenLinks();
        EXPECT_TRUE(broken.empty()) << test::describe(broken);
        TQLTask& task = *m_app->currentTask();
        std::lock_guard lock(task.mutex());
        for (const std::string& resource : kResources) {
            const std::string original = test::readWholeFile(kSiteFolder + resource);
            EXPECT_EQ(test::readWholeFile(siteFolder() + resource), original) << resource;
            const auto entry = task.queue().find(queueSafeURL(m_site.url("/" + resource)));
            ASSERT_TRUE(entry) << resource;
            EXPECT_EQ(LoadItem(task, *entry)->Size, static_cast<int64_t>(original.size()))
                << resource;
        }
    }
}

} // namespace
} // namespace quarlo
