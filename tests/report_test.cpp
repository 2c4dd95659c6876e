#include "archive/ZipBrowserModel.h"
#include "engine/Queue.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "reports/GifSize.h"
#include "reports/ReportArchive.h"
#include "reports/ReportTexts.h"
#include "reports/TaskReport.h"
#include "support/AppFixture.h"
#include "support/TextSearch.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <regex>

using namespace quarlo;
using quarlo::test::countOf;
using quarlo::test::readWholeFile;
using quarlo::test::writeWholeFile;

namespace {

// The background colours of the entry cells, in page order.
std::vector<std::string> entryColours(const std::string& page) {
    std::vector<std::string> colours;
    const std::regex cell("<td bgcolor=(#[0-9a-fA-F]{6})>");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), cell);
         it != std::sregex_iterator(); ++it)
        colours.push_back((*it)[1]);
    return colours;
}

// The entry numbers of an index page, in page order.
std::vector<int> entryNumbers(const std::string& page) {
    std::vector<int> numbers;
    const std::regex number(R"(size="2">(\d+)&nbsp;<a )");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), number);
         it != std::sregex_iterator(); ++it)
        numbers.push_back(std::stoi((*it)[1]));
    return numbers;
}

// GIF bytes: the 13-byte header (flags at byte 10), then what follows.
std::string gif(unsigned char flags, const std::string& rest) {
    std::string bytes = "GIF89a";
    bytes += std::string("\x10\x00\x10\x00", 4);
    bytes += static_cast<char>(flags);
    bytes += std::string("\x00\x00", 2);
    return bytes + rest;
}

// An image descriptor for width x height (both below 256), with the byte after it.
std::string descriptor(int width, int height) {
    std::string bytes("\x2C\x00\x00\x00\x00", 5);
    bytes += static_cast<char>(width);
    bytes += '\0';
    bytes += static_cast<char>(height);
    bytes += '\0';
    bytes += std::string("\x00\x02", 2);
    return bytes;
}

class ReportTest : public test::AppFixture {
protected:
    void SetUp() override {
        m_app = makeApp();
        ASSERT_TRUE(m_app);
        ASSERT_TRUE(m_app->firstRunSetup());
        m_task = std::make_unique<TQLTask>(*m_app);
        ASSERT_TRUE(m_task->setLocation("General", "Site"));
        m_task->setURL("http://h.test/");
        m_task->setStartPageTitle("Home");
        m_task->setIntranetMode(true);
        m_task->setDestination(m_home.path() + "site/");
    }

    void queue(const std::string& url, const std::string& type, QueueStatus status,
               const std::string& title = "", const std::string& referrer = "http://h.test/") {
        TQLQItem item;
        item.URL = url;
        item.FileType = type;
        item.Status = status;
        item.Title = title;
        item.Referrer = referrer;
        item.Level = 2;
        item.Size = 4321;
        m_task->queue().append(url, buildDataLine(item), m_task->counters());
    }
    void queuePages(int count, int from = 0) {
        for (int i = from; i < from + count; ++i)
            queue("http://h.test/p" + std::to_string(i) + ".html", "HTML",
                  i % 2 ? QueueStatus::Saved : QueueStatus::Parsed, "Page " + std::to_string(i));
    }

    ReportOutcome write(const ReportProgress& progress = {}, ReportParts parts = {}) {
        EXPECT_TRUE(SaveQueue(*m_task));
        auto written = writeTaskReports(*m_task, progress, parts);
        EXPECT_TRUE(written.ok()) << written.message();
        return written.ok() ? *written : ReportOutcome{};
    }

    std::string folder() const { return m_home.path() + "site/h.test/"; }
    std::string pageFile(int n) const {
        return folder() + "!Site_pages_" + std::to_string(n) + ".htm";
    }
    std::string imageFile(int n) const {
        return folder() + "!Site_images_" + std::to_string(n) + ".htm";
    }
    std::string pages(int n) const { return readWholeFile(pageFile(n)); }

    std::unique_ptr<TQLApp> m_app;
    std::unique_ptr<TQLTask> m_task;
};

struct CountCase {
    int savedPages;
    int indexPages;
};

class ReportCountTest : public ReportTest, public ::testing::WithParamInterface<CountCase> {};

// Twenty entries to a page, the numbers of the first ten pages and then one "more..." link
// to a table of every page.
TEST_P(ReportCountTest, PagesNumbersAndMorePage) {
    const CountCase c = GetParam();
    queuePages(c.savedPages);
    const ReportOutcome outcome = write();
    EXPECT_EQ(outcome.pageIndexPages, c.indexPages);
    for (int n = 1; n <= c.indexPages; ++n)
        EXPECT_TRUE(fileExists(pageFile(n))) << n;
    EXPECT_FALSE(fileExists(pageFile(c.indexPages + 1)));
    const std::string more = folder() + "!Site_pages_more.htm";
    EXPECT_EQ(fileExists(more), c.indexPages > 10);
    if (c.indexPages == 0)
        return;
    // The navigation bar stands at the top and at the bottom of every page.
    const std::string first = pages(1);
    const std::regex number(R"(">\d+</a>&nbsp;\r\n)");
    const auto numbers = std::distance(std::sregex_iterator(first.begin(), first.end(), number),
                                       std::sregex_iterator());
    EXPECT_EQ(numbers, 2 * std::min(c.indexPages, 10));
    const std::string moreLink = "<a href=\"" + more + "\"  onClick=\"popup('" + more +
                                 "');return false\">more...</a>&nbsp;";
    EXPECT_EQ(countOf(first, moreLink), c.indexPages > 10 ? 2u : 0u);
    if (c.indexPages <= 10)
        return;
    const std::string table = readWholeFile(more);
    EXPECT_EQ(countOf(table, "<td "), static_cast<std::size_t>(c.indexPages));
    EXPECT_EQ(countOf(table, "<tr>"), static_cast<std::size_t>((c.indexPages + 9) / 10));
    EXPECT_NE(table.find("</td>\r\n</tr>\r\n<tr>\r\n<td width=\"10%\" align=\"center\" "
                         "bgcolor=\"#C9DBED\"><a href=\"" +
                         pageFile(11) + "\" target=\"_blank\">11</a></td>"),
              std::string::npos);
    EXPECT_TRUE(table.ends_with("</tr>\r\n</body></html>"));
}

INSTANTIATE_TEST_SUITE_P(Counts, ReportCountTest,
                         ::testing::Values(CountCase{0, 0}, CountCase{20, 1}, CountCase{21, 2},
                                           CountCase{200, 10}, CountCase{201, 11},
                                           CountCase{220, 11}));

// Only saved pages take a number; numbers go on across pages, colours start again.
TEST_F(ReportTest, EntriesAreNumberedAcrossPagesFromSavedPagesOnly) {
    for (int i = 0; i < 60; ++i) {
        queuePages(1, i);
        queue("http://h.test/skip" + std::to_string(i) + ".html", "HTML",
              i % 2 ? QueueStatus::Downloaded : QueueStatus::Error);
        queue("http://h.test/wait" + std::to_string(i) + ".html", "HTML", QueueStatus::None);
        queue("http://h.test/i" + std::to_string(i) + ".gif", "Images", QueueStatus::Zipped);
    }
    // Counters that the queue does not bear out do not decide what is listed.
    m_task->counters().PagesSaved = 60;
    m_task->counters().PageErrors = 30;
    EXPECT_EQ(write().pageIndexPages, 3);
    for (int n = 1; n <= 3; ++n) {
        const std::string page = pages(n);
        std::vector<int> expected;
        for (int j = 1; j <= 20; ++j)
            expected.push_back((n - 1) * 20 + j);
        EXPECT_EQ(entryNumbers(page), expected) << n;
        const auto colours = entryColours(page);
        ASSERT_EQ(colours.size(), 20u);
        for (std::size_t j = 0; j < colours.size(); ++j)
            EXPECT_EQ(colours[j], j % 2 ? "#3870a7" : "#336699") << n << " " << j;
        EXPECT_EQ(page.find("skip"), std::string::npos);
        EXPECT_EQ(page.find("wait"), std::string::npos);
        EXPECT_EQ(page.find("http://h.test/i"), std::string::npos);
    }
    EXPECT_NE(pages(3).find(">41&nbsp;<a href=\"" + folder() + "p40.html\"><b>Page 40</b>"),
              std::string::npos);
}

TEST_F(ReportTest, PreviousAndNextOnlyWhereThereIsSuchAPage) {
    queuePages(45);
    write();
    const std::string previous = "\">Previous</a>&nbsp;&nbsp;";
    const std::string next = "\">Next</a>";
    for (int n = 1; n <= 3; ++n) {
        const std::string page = pages(n);
        EXPECT_EQ(countOf(page, previous), n > 1 ? 2u : 0u) << n;
        EXPECT_EQ(countOf(page, next), n < 3 ? 2u : 0u) << n;
        if (n > 1) {
            EXPECT_NE(page.find(pageFile(n - 1) + previous), std::string::npos);
        }
        if (n < 3) {
            EXPECT_NE(page.find(pageFile(n + 1) + next), std::string::npos);
        }
        EXPECT_NE(page.find("<a href=\"" + folder() + "!Site_summary.htm\">Summary</a>"),
                  std::string::npos);
    }
}

TEST_F(ReportTest, TextFromTheWebIsEscaped) {
    m_task->setStartPageTitle("<script>alert(1)</script>");
    queue("http://h.test/a\"b<c.html", "HTML", QueueStatus::Parsed, "<script>alert(1)</script>",
          "http://h.test/r\"x<y.html");
    queue("http://h.test/x.gif", "Images", QueueStatus::Saved, "<b onmouseover=x>",
          "javascript:alert(2)");
    queue("http://h.test/q.html", "HTML", QueueStatus::Parsed, "", "javascript:alert(3)");
    write();
    for (const std::string& file : {folder() + "!Site_summary.htm", pageFile(1), imageFile(1)}) {
        const std::string page = readWholeFile(file);
        ASSERT_FALSE(page.empty()) << file;
        EXPECT_EQ(page.find("<script>alert"), std::string::npos) << file;
        EXPECT_EQ(page.find("b<c"), std::string::npos) << file;
        EXPECT_EQ(page.find("href=\"javascript:"), std::string::npos) << file;
        EXPECT_NE(page.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos) << file;
    }
    const std::string index = pages(1);
    EXPECT_NE(index.find("<a href=\"http://h.test/a&quot;b&lt;c.html\">"
                         "http://h.test/a&quot;b&lt;c.html</a>"),
              std::string::npos);
    EXPECT_NE(index.find("Referrer: <a href=\"http://h.test/r&quot;x&lt;y.html\">"),
              std::string::npos);
    // The local file's name keeps its quote; the link encodes it.
    EXPECT_NE(index.find("a%22b%3Cc.html\"><b>&lt;script&gt;"), std::string::npos);
    EXPECT_NE(readWholeFile(imageFile(1)).find("<b>&lt;b onmouseover=x&gt;</b>"),
              std::string::npos);
}

// Titles are stored as their pages wrote them; the reports show them as the pages do, so
// a reference is encoded once, not twice.
TEST_F(ReportTest, StoredTitlesAreReadBeforeTheyAreEscaped) {
    m_task->setStartPageTitle("Fish &amp; Chips &lt;b&gt;");
    queue("http://h.test/a.html", "HTML", QueueStatus::Parsed, "Caf&eacute; &amp;  Bar");
    queue("http://h.test/x.gif", "Images", QueueStatus::Saved, "A&amp;B");
    write();
    for (const std::string& file : {folder() + "!Site_summary.htm", pageFile(1), imageFile(1)}) {
        const std::string page = readWholeFile(file);
        EXPECT_NE(page.find("<b>Fish &amp; Chips &lt;b&gt;</b>"), std::string::npos) << file;
        EXPECT_EQ(page.find("&amp;amp;"), std::string::npos) << file;
        EXPECT_EQ(page.find("&amp;lt;"), std::string::npos) << file;
    }
    EXPECT_NE(pages(1).find("<b>Caf\u00e9 &amp; Bar</b>"), std::string::npos);
    EXPECT_NE(readWholeFile(imageFile(1)).find("<b>A&amp;B</b>"), std::string::npos);
}

TEST_F(ReportTest, ImageEntriesShowTheirSizeAndFileName) {
    queue("http://h.test/img/a.gif", "Images", QueueStatus::Saved);
    queue("http://h.test/img/b.jpg", "Images", QueueStatus::Zipped, "A photo");
    queue("http://h.test/img/c.gif", "Images", QueueStatus::Error);
    writeWholeFile(folder() + "img/a.gif", gif(0, descriptor(7, 5)));
    writeWholeFile(folder() + "img/b.jpg",
                   std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x2C\x00", 14) +
                       std::string(40, '\x2C'));
    EXPECT_EQ(write().imageIndexPages, 1);
    const std::string page = readWholeFile(imageFile(1));
    EXPECT_EQ(entryNumbers(page), (std::vector<int>{1, 2}));
    EXPECT_NE(page.find("<img src=\"" + folder() + "img/a.gif\"><br><br>"), std::string::npos);
    EXPECT_NE(page.find("img/a.gif\"><b>a.gif</b></a>"), std::string::npos);
    EXPECT_NE(page.find("img/b.jpg\"><b>A photo</b></a>"), std::string::npos);
    EXPECT_NE(page.find("Size: 4321<br>"), std::string::npos);
    EXPECT_NE(page.find("W: 7, H: 5<br>&nbsp;&nbsp;</td>"), std::string::npos);
    EXPECT_NE(page.find("W: 0, H: 0<br>&nbsp;&nbsp;</td>"), std::string::npos);
    EXPECT_EQ(page.find("c.gif"), std::string::npos);
    EXPECT_NE(page.find(" - Image Index</b>"), std::string::npos);
}

TEST_F(ReportTest, SummaryShowsTheCountersAndLinesEndWithCrLf) {
    TaskCounters& counters = m_task->counters();
    counters.PagesFound = 12;
    counters.PagesSaved = 9;
    counters.PageErrors = 3;
    counters.ResourcesFound = 30;
    counters.ResourcesSaved = 26;
    counters.ResourceErrors = 4;
    counters.BytesDownloaded = 1536; // 1.5 Kb rounds to 2
    m_task->setLastRun(*makeDateTime(2024, 3, 7, 14, 5, 9));
    queuePages(25);
    const ReportOutcome outcome = write();
    EXPECT_EQ(outcome.summaryPath, folder() + "!Site_summary.htm");
    const std::string summary = readWholeFile(outcome.summaryPath);
    EXPECT_NE(summary.find(pageFile(1) + "\">9</a>"), std::string::npos);
    EXPECT_NE(summary.find(imageFile(1) + "\">26</a>"), std::string::npos);
    for (const char* cell :
         {">3</font></td>", ">12</font></td>", ">4</font></td>", ">30</font></td>"})
        EXPECT_NE(summary.find(cell), std::string::npos) << cell;
    EXPECT_NE(summary.find("Last Run: <b>03/07/2024 14:05:09</b>"), std::string::npos);
    EXPECT_NE(summary.find("Size: <b>2 Kb</b>"), std::string::npos);
    EXPECT_NE(summary.find("Total Files: <b>42</b>"), std::string::npos);
    EXPECT_NE(summary.find("<b>Quarlo\r\n - Task Summary</b>"), std::string::npos);
    // No images are listed, so no image index page is written; the link stays.
    EXPECT_FALSE(fileExists(imageFile(1)));
    for (const std::string& file : {outcome.summaryPath, pageFile(1), pageFile(2)}) {
        const std::string text = readWholeFile(file);
        EXPECT_TRUE(text.ends_with("</html>\r\n")) << file;
        EXPECT_EQ(countOf(text, "\n"), countOf(text, "\r\n")) << file;
    }
}

TEST_F(ReportTest, SkinImagesComeFromTheSkinOrTheDefaultSkin) {
    const std::string skins = m_resources.path() + "Skins/";
    for (const char* name : {"html.gif", "images.gif", "www.gif", "qlbackground.jpg"})
        writeWholeFile(skins + "Default/" + name, std::string("default ") + name);
    deleteFile(skins + "Default/diamond.gif");
    writeWholeFile(skins + "Night/html.gif", "night html.gif");
    m_app->setSkin("Night");
    writeWholeFile(folder() + "!images/www.gif", "from an earlier report");
    write();
    EXPECT_EQ(readWholeFile(folder() + "!images/html.gif"), "night html.gif");
    EXPECT_EQ(readWholeFile(folder() + "!images/www.gif"), "default www.gif");
    EXPECT_EQ(readWholeFile(folder() + "!images/qlbackground.jpg"), "default qlbackground.jpg");
    EXPECT_FALSE(fileExists(folder() + "!images/diamond.gif"));
}

TEST_F(ReportTest, ProgressNamesEachPartAndCountsIndexPages) {
    queuePages(45);
    queue("http://h.test/x.gif", "Images", QueueStatus::Saved);
    std::vector<std::pair<int, std::string>> calls;
    const ReportOutcome outcome =
        write([&](int percent, std::string_view label) { calls.emplace_back(percent, label); },
              ReportParts{true, true, false});
    const std::vector<std::pair<int, std::string>> expected = {{0, reportText(790)},
                                                               {0, "Creating Page Index"},
                                                               {33, "Creating Page Index"},
                                                               {67, "Creating Page Index"},
                                                               {100, "Creating Page Index"}};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(outcome.imageIndexPages, 0);
    EXPECT_FALSE(fileExists(imageFile(1)));
    EXPECT_FALSE(reportText(790).empty());
}

TEST_F(ReportTest, FailuresAreReported) {
    writeWholeFile(m_home.path() + "site", "a file where the folder should be");
    EXPECT_TRUE(SaveQueue(*m_task));
    auto blocked = writeTaskReports(*m_task);
    ASSERT_FALSE(blocked.ok());
    EXPECT_NE(blocked.message().find("report folder"), std::string::npos) << blocked.message();

    m_task->setURL("");
    EXPECT_FALSE(writeTaskReports(*m_task).ok());
}

TEST_F(ReportTest, ZipModeTasksAreReportedFromTheirUnpackedArchive) {
    const std::string archive = m_home.path() + "zips/site.zip";
    m_task->setIntranetMode(false);
    m_task->setDestination(archive);
    ZipBrowserModel browser(*m_app);
    const Status missing = unpackTaskArchive(browser, *m_task);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.message(), reportText(741));

    ASSERT_TRUE(test::craftZip(archive, {{"h.test/index.html", "<html></html>"},
                                         {"h.test/img/a.gif", gif(0, descriptor(9, 4))}}));
    ASSERT_TRUE(unpackTaskArchive(browser, *m_task));
    const std::string temp = m_app->tempFolder();
    EXPECT_TRUE(fileExists(temp + "h.test/index.html"));
    queue("http://h.test/img/a.gif", "Images", QueueStatus::Zipped);
    const ReportOutcome outcome = write();
    EXPECT_EQ(outcome.summaryPath, temp + "h.test/!Site_summary.htm");
    EXPECT_NE(readWholeFile(temp + "h.test/!Site_images_1.htm").find("W: 9, H: 4"),
              std::string::npos);
}

struct GifCase {
    const char* name;
    std::string bytes;
    ImageSize size;
};

TEST(GifSize, ReadsTheFirstImageDescriptor) {
    const std::string table(12, '\x2C'); // a colour table full of separator bytes
    const std::vector<GifCase> cases = {
        {"no colour table", gif(0x00, descriptor(3, 2)), {3, 2}},
        {"colour table skipped", gif(0x81, table + descriptor(200, 100)), {200, 100}},
        {"extension before the image",
         gif(0x00, "\x21\xF9\x04" + std::string(5, '\0') + descriptor(17, 33)),
         {17, 33}},
        {"wider than 255", gif(0x00, std::string("\x2C\0\0\0\0\x2C\x01\x14\0\0\0", 11)), {300, 20}},
        {"nine bytes after the separator", gif(0x00, descriptor(3, 2).substr(0, 10)), {0, 0}},
        {"no separator", gif(0x00, std::string(30, '\x01')), {0, 0}},
        {"ends inside the colour table", gif(0x87, std::string(40, '\0')), {0, 0}},
        {"header only", gif(0x00, ""), {0, 0}},
        {"a JPEG",
         std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x2C\x00\x00\x00\x00\x07\x00\x05", 20),
         {0, 0}},
        {"GIF signature, short file", "GIF89a", {0, 0}},
    };
    test::TempDir dir;
    for (const GifCase& c : cases) {
        const std::string path = dir.path() + "image";
        writeWholeFile(path, c.bytes);
        EXPECT_EQ(gifSize(path), c.size) << c.name;
    }
    EXPECT_EQ(gifSize(dir.path() + "missing.gif"), (ImageSize{0, 0}));
}

} // namespace
