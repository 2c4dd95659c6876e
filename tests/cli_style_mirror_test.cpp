// A small site of today's constructs (style sheets with queries and @import chains, url() in
// style sheets, style blocks and attributes, fonts, responsive images, media, icons, query
// links with "&amp;", a blank-padded link, pages that differ in case, answers compressed
// unasked, off-site links that fail), served on the loopback interface and copied by the
// command line program into a folder and into an archive.

#include "cli/Cli.h"
#include "html/Banner.h"
#include "support/CopiedLinks.h"
#include "support/FolderSiteServer.h"
#include "support/HeadlessChromium.h"
#include "support/LinkChecker.h"
#include "support/PngImage.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using quarlo::test::readWholeFile;

namespace {

const std::string kSource = QUARLO_TEST_DATA "/style-site/";
const std::string kQ = "\xC2\xBF"; // ¿, what a query's "?" becomes in a local name

// The site's files that are linked with a query, by the URL the pages ask for (path and
// query below the root) and the name the copy saves them under; every other file is asked
// for and saved under its own path.
const std::vector<std::tuple<std::string, std::string, std::string>> kQueried = {
    {"list.html", "list.html?id=1&p=2", "list.html" + kQ + "id=1&p=2.html"},
    {"css/site.css", "css/site.css?v=3", "css/site.css" + kQ + "v=3.css"},
    {"css/theme/base.css", "css/theme/base.css?v=2", "css/theme/base.css" + kQ + "v=2.css"},
};

int runCli(const std::vector<std::string>& words, std::string* out) {
    std::ostringstream output, errors;
    const int code = quarlo::cli::run(words, output, errors);
    *out = output.str() + errors.str();
    return code;
}

std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), folder).string());
    return files;
}

// What a copy of the site holds, below the host's folder.
struct SiteFile {
    std::string source; // below kSource
    std::string saved;
};

// Every file of the site by the URL (path and query) it is asked for.
std::map<std::string, SiteFile> siteFiles() {
    std::map<std::string, SiteFile> files;
    for (const std::string& file : filesBelow(kSource))
        files[file] = {file, file};
    for (const auto& [source, url, saved] : kQueried) {
        files.erase(source);
        files[url] = {source, saved};
    }
    return files;
}

// The site as the server sends it (decoded) and the copy, both below their folders.
class CopyCheck {
public:
    CopyCheck(std::string copy, std::string siteRoot)
        : m_copy(std::move(copy)), m_siteRoot(std::move(siteRoot)), m_files(siteFiles()) {}

    void expectFilesSavedOnce() const {
        std::set<std::string> expected;
        for (const auto& [url, file] : m_files)
            expected.insert(file.saved);
        EXPECT_EQ(filesBelow(m_copy), expected);
    }

    // Pages and style sheets equal the server's bytes but for their link values and the
    // banner, and each link value leads to the same target: the saved file of a saved
    // target, the absolute URL of one that failed, the value as written otherwise.
    void expectPagesKeptButForLinks() const {
        int links = 0;
        for (const auto& [url, file] : m_files) {
            const std::string extension = fs::path(file.source).extension().string();
            if (extension != ".html" && extension != ".css")
                continue;
            SCOPED_TRACE(file.saved);
            const std::string server = readWholeFile(kSource + file.source);
            const std::string saved = withoutBanner(readWholeFile(m_copy + file.saved));
            EXPECT_EQ(quarlo::test::withoutLinkValues(saved),
                      quarlo::test::withoutLinkValues(server));
            const auto serverLinks = quarlo::test::textLinksOf(server);
            const auto savedLinks = quarlo::test::textLinksOf(saved);
            ASSERT_EQ(savedLinks.size(), serverLinks.size());
            for (std::size_t i = 0; i < serverLinks.size(); ++i)
                links += expectSameTarget(url, file.saved, serverLinks[i], savedLinks[i]);
        }
        EXPECT_GT(links, 40);
    }

private:
    // The banner's two blocks, each once, taken out again.
    static std::string withoutBanner(std::string page) {
        for (const std::string& block : {quarlo::bannerTopBlock(), quarlo::bannerLayerBlock()})
            if (const auto at = page.find(block); at != std::string::npos)
                page.erase(at, block.size());
        return page;
    }

    int expectSameTarget(const std::string& pageUrl, const std::string& savedPage,
                         const quarlo::test::TextLink& server,
                         const quarlo::test::TextLink& saved) const {
        SCOPED_TRACE(server.text + " -> " + saved.text);
        EXPECT_EQ(quarlo::test::descriptorsOf(saved), quarlo::test::descriptorsOf(server));
        const auto serverValues = quarlo::test::candidatesOf(server);
        const auto savedValues = quarlo::test::candidatesOf(saved);
        if (serverValues.size() != savedValues.size()) {
            ADD_FAILURE() << "candidates differ";
            return 0;
        }
        for (std::size_t i = 0; i < serverValues.size(); ++i) {
            const std::string value = quarlo::test::LinkChecker::valueAsRead(serverValues[i]);
            const std::string written = quarlo::test::LinkChecker::valueAsRead(savedValues[i]);
            std::string target = value;
            if (value.find("://") == std::string::npos && !value.starts_with("data:"))
                target = quarlo::test::resolvedPath(pageUrl, value, true);
            else if (value.starts_with(m_siteRoot))
                target = value.substr(m_siteRoot.size());
            const auto file = m_files.find(target.substr(0, target.find('#')));
            if (file == m_files.end()) {
                // Not saved (failed, not followed, or no link at all): the value as written,
                // or the target's absolute URL.
                const std::string absolute = target == value ? value : m_siteRoot + target;
                EXPECT_TRUE(written == value || written == absolute) << written;
                continue;
            }
            EXPECT_EQ(quarlo::test::resolvedPath(savedPage, written, false), file->second.saved);
            EXPECT_EQ(written.find("://"), std::string::npos);
        }
        return static_cast<int>(serverValues.size());
    }

    std::string m_copy;
    std::string m_siteRoot;
    std::map<std::string, SiteFile> m_files;
};

class CliStyleMirror : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_site.forceEncoding("/page2.html", "gzip"));
        ASSERT_TRUE(m_site.forceEncoding("/css/theme/colors.css", "br"))
            << "the tests were built without a brotli encoder (libbrotli-dev)";
        ASSERT_TRUE(m_site.start());
    }

    // Each file of the site asked for once, under the URL its links name.
    void expectEachUrlAskedOnce() const {
        std::vector<std::string> requests = m_site.requests();
        std::erase(requests, "/robots.txt");
        for (const auto& [url, file] : siteFiles())
            EXPECT_EQ(std::count(requests.begin(), requests.end(), "/" + url), 1) << url;
        EXPECT_EQ(requests.size(), siteFiles().size());
    }

    // A run ends with exit code 1: the two off-site targets fail, and nothing else may.
    void mirror(const std::vector<std::string>& mode) {
        std::vector<std::string> words = {"--pause", "0", "get", m_site.url("/index.html")};
        words.insert(words.end(), mode.begin(), mode.end());
        std::string out;
        ASSERT_EQ(runCli(words, &out), 1) << out;
        EXPECT_NE(out.find("Errors 2/"), std::string::npos) << out;
    }

    // The archive's entries unpacked, and the folder of the site among them.
    std::string mirrorToArchive() {
        mirror({"--zip", m_home.path() + "zips/site.zip"});
        const std::string archive = m_home.path() + "zips/Harbour Bakery.zip";
        EXPECT_TRUE(fs::exists(archive));
        const std::string extracted = m_home.path() + "extracted/";
        EXPECT_EQ(std::system(("unzip -q '" + archive + "' -d '" + extracted + "'").c_str()), 0);
        expectOnlyTheSiteFolder(extracted);
        return extracted + "127.0.0.1/";
    }

    // Nothing but the site's folder: none left by the failed off-site targets.
    static void expectOnlyTheSiteFolder(const std::string& copy) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(copy))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"127.0.0.1"});
    }

    quarlo::test::TempHome m_home;
    quarlo::test::FolderSiteServer m_site{kSource};
};

} // namespace

TEST_F(CliStyleMirror, AFolderCopyHoldsEveryFileOnceAndLinksItLocally) {
    const std::string folder = m_home.path() + "folder/";
    ASSERT_NO_FATAL_FAILURE(mirror({"--intranet", folder}));
    expectEachUrlAskedOnce();
    expectOnlyTheSiteFolder(folder);
    CopyCheck check(folder + "127.0.0.1/", m_site.url("/"));
    check.expectFilesSavedOnce();
    check.expectPagesKeptButForLinks();
}

TEST_F(CliStyleMirror, AnArchiveCopyHoldsTheSameFilesLinkedLocally) {
    const std::string copy = mirrorToArchive();
    ASSERT_FALSE(HasFailure());
    expectEachUrlAskedOnce();
    CopyCheck check(copy, m_site.url("/"));
    check.expectFilesSavedOnce();
    check.expectPagesKeptButForLinks();
}

// The copy looks like the site: the start page and a second page, rendered by headless
// Chromium from the server and from the copy (served on the loopback interface too, as
// Chromium keeps some resources from pages opened from disk), are alike in 99% of their
// pixels, and really styled: the header's colour and the picture's sky show.
TEST_F(CliStyleMirror, TheCopyRendersLikeTheSite) {
    QUARLO_REQUIRE_CHROMIUM_OR_SKIP();
    const std::string folder = m_home.path() + "folder/";
    // Without the banner, whose strip would move the page down.
    ASSERT_NO_FATAL_FAILURE(mirror({"--no-ads", "--intranet", folder}));
    quarlo::test::FolderSiteServer copy(folder + "127.0.0.1/");
    ASSERT_TRUE(copy.start());

    const std::uint32_t header = 0x264653;
    const std::uint32_t webpSky = 0x219EBC;
    const std::uint32_t breadSky = 0xFADCB4;
    for (const auto& [page, sky] : {std::pair{"index", webpSky}, std::pair{"page2", breadSky}}) {
        SCOPED_TRACE(page);
        const std::string shots = quarlo::test::screenshotFolder() + "style_site_" + page;
        const std::string path = std::string("/") + page + ".html";
        ASSERT_TRUE(quarlo::test::screenshot(m_site.url(path), shots + ".png", 900, 900));
        ASSERT_TRUE(quarlo::test::screenshot(copy.url(path), shots + "_copy.png", 900, 900));
        const auto site = quarlo::test::readPng(shots + ".png");
        const auto saved = quarlo::test::readPng(shots + "_copy.png");
        ASSERT_TRUE(site && saved);
        EXPECT_GT(quarlo::test::pixelsOfColour(*site, header), 20000);
        EXPECT_GT(quarlo::test::pixelsOfColour(*site, sky), 10000);
        EXPECT_GE(quarlo::test::equalPixelShare(*site, *saved), 0.99);
    }
}
