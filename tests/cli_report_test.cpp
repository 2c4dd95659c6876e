#include "cli/SampleSiteServer.h"
#include "platform/FileUtil.h"
#include "platform/TextUtil.h"
#include "reports/ReportTexts.h"
#include "support/CliRunner.h"
#include "support/HeadlessChromium.h"
#include "support/TempHome.h"
#include "support/TextSearch.h"

#include <gtest/gtest.h>

#include <regex>

using quarlo::test::countOf;
using quarlo::test::readWholeFile;
using quarlo::test::runCli;
using quarlo::test::TempHome;

namespace {

// The report pages beside the summary: the summary first, then every index page.
std::vector<std::string> reportPages(const std::string& summary) {
    const std::string folder = quarlo::folderOf(summary);
    std::vector<std::string> pages = {summary};
    for (const std::string& name : quarlo::listFiles(folder, ".htm"))
        if (name.starts_with("!") && folder + name != summary)
            pages.push_back(folder + name);
    return pages;
}

// Every href and src of a page that names a local file (a full path, or one relative to
// the report folder), percent-decoded.
std::vector<std::string> localTargets(const std::string& page) {
    const std::string text = readWholeFile(page);
    const std::regex link(R"re((?:href|src)="([^"]*)")re");
    std::vector<std::string> targets;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), link);
         it != std::sregex_iterator(); ++it) {
        const std::string value = (*it)[1];
        if (value.empty() || value.starts_with("http:") || value.starts_with("data:"))
            continue;
        const std::string path = quarlo::percentDecode(value);
        targets.push_back(path.starts_with("/") ? path : quarlo::folderOf(page) + path);
    }
    return targets;
}

// Mirrors the sample site into a folder and writes its reports; the summary's path.
std::string mirrorAndReport(const TempHome& home, const std::string& destination) {
    quarlo::cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    EXPECT_TRUE(site.start());
    const auto get = runCli({"--pause", "0", "get", site.rootUrl(), destination,
                             home.path() + (destination == "--zip" ? "zips/site.zip" : "copy")});
    EXPECT_EQ(get.code, 0) << get.err;
    const auto report = runCli({"report", "127_0"});
    EXPECT_EQ(report.code, 0) << report.err;
    EXPECT_TRUE(report.out.ends_with("/127.0.0.1/!127_0_summary.htm\n")) << report.out;
    return report.out.substr(0, report.out.size() - 1);
}

TEST(CliReport, ReportsOfAMirroredSiteLinkToExistingFiles) {
    TempHome home;
    const std::string summary = mirrorAndReport(home, "--intranet");
    EXPECT_EQ(summary, home.path() + "copy/127.0.0.1/!127_0_summary.htm");
    const auto pages = reportPages(summary);
    // The sample site has pages and images, each fewer than twenty.
    EXPECT_EQ(pages.size(), 3u);
    std::size_t checked = 0;
    for (const std::string& page : pages)
        for (const std::string& target : localTargets(page)) {
            EXPECT_TRUE(quarlo::fileExists(target)) << page << " links to " << target;
            ++checked;
        }
    EXPECT_GT(checked, 30u);
    const std::string images = readWholeFile(home.path() + "copy/127.0.0.1/!127_0_images_1.htm");
    EXPECT_NE(images.find("W: "), std::string::npos);
}

TEST(CliReport, ReportPagesOpenInABrowserWithoutErrors) {
    QUARLO_REQUIRE_CHROMIUM_OR_SKIP();
    TempHome home;
    const std::string summary = mirrorAndReport(home, "--intranet");
    for (const std::string& page : reportPages(summary)) {
        const auto shown = quarlo::test::dumpDom(quarlo::test::fileUrl(page));
        EXPECT_EQ(shown.exitCode, 0) << page;
        // Every entry cell of the file is a cell of the page the browser built.
        const std::size_t cells = countOf(readWholeFile(page), "<td bgcolor=#");
        EXPECT_EQ(countOf(shown.dom, "<td bgcolor=\"#"), cells) << page;
        EXPECT_EQ(cells > 0, page != summary) << page;
        EXPECT_TRUE(shown.console.empty()) << page << ": " << shown.console.front();
    }
    const std::string png = quarlo::test::screenshotFolder() + "report_summary.png";
    EXPECT_TRUE(quarlo::test::screenshot(quarlo::test::fileUrl(summary), png, 1000, 700));
}

TEST(CliReport, ZipModeTasksAreReportedFromTheTempFolder) {
    TempHome home;
    const std::string summary = mirrorAndReport(home, "--zip");
    EXPECT_TRUE(summary.starts_with(home.path() + "scratch/")) << summary;
    for (const std::string& page : reportPages(summary))
        for (const std::string& target : localTargets(page))
            EXPECT_TRUE(quarlo::fileExists(target)) << page << " links to " << target;
}

TEST(CliReport, MissingArchivesAndTasksAreErrors) {
    TempHome home;
    const auto created =
        runCli({"task", "new", "http://127.0.0.1:9/", "--zip", home.path() + "never.zip"});
    ASSERT_EQ(created.code, 0) << created.err;
    const auto report = runCli({"report", "127_0"});
    EXPECT_EQ(report.code, 2);
    EXPECT_NE(report.err.find(quarlo::reportText(741)), std::string::npos) << report.err;
    EXPECT_NE(report.err.find("quarlo-cli run 127_0"), std::string::npos) << report.err;
    EXPECT_TRUE(report.out.empty());
    EXPECT_EQ(runCli({"report", "nothing"}).code, 2);
    EXPECT_EQ(runCli({"report"}).code, 2);
}

} // namespace
