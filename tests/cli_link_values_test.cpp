// Link values as browsers read them, URLs with queries that name stylesheets and images, and
// URLs that differ in letter case: a small site on the loopback interface, copied by the
// command line program into a folder and into an archive.

#include "cli/Cli.h"
#include "support/LinkChecker.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using quarlo::test::readWholeFile;

namespace {

const std::string kQ = "\xC2\xBF"; // ¿, what a query's "?" becomes in a local name

// The site: each answer by path and query, with its type. The index page's links hold
// references, blanks and queries; its absolute link names the server itself.
class LinkValuesSite {
public:
    LinkValuesSite() {
        m_server.server().Get(
            ".*", [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    }
    ~LinkValuesSite() { m_server.stop(); }
    LinkValuesSite(const LinkValuesSite&) = delete;
    LinkValuesSite& operator=(const LinkValuesSite&) = delete;

    bool start() {
        if (!m_server.start())
            return false;
        const std::string index =
            "<html><head><title>Index</title>\n"
            "<link rel=stylesheet href=\"css/a.css?v=3\">\n"
            "<script data-url_root=\"./\" src=\"js/opts.js\"></script></head><body>\n"
            "<a href=\"show.asp?id=1&amp;p=2\">query</a>\n"
            "<a href=\" " +
            m_server.url("/abs.html") +
            "\t\">padded</a>\n"
            "<a href=\"Case.html\">upper</a> <a href=\"case.html\">lower</a>\n"
            "<a href='frag.html#a&amp;b'>fragment</a>\n"
            "<img src=\"img/x.png?w=200\">\n"
            "</body></html>\n";
        m_answers = {
            {"/index.html", {index, "text/html"}},
            {"/show.asp?id=1&p=2", {page("Shown"), "text/html"}},
            {"/abs.html", {page("Absolute"), "text/html"}},
            {"/Case.html", {page("Upper case"), "text/html"}},
            {"/case.html", {page("Lower case"), "text/html"}},
            {"/frag.html", {page("Fragment"), "text/html"}},
            {"/css/a.css?v=3", {"body { color: black }\n", "text/css"}},
            {"/js/opts.js",
             {"var root = document.scripts[0].dataset.url_root;\n", "text/javascript"}},
            {"/img/x.png?w=200", {std::string("\x89PNG\r\n\x1a\n", 8), "image/png"}},
        };
        return true;
    }
    std::string url(const std::string& path) const { return m_server.url(path); }
    std::string root() const { return m_server.url("/"); }
    std::vector<std::string> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    static std::string page(const std::string& title) {
        return "<html><head><title>" + title + "</title></head><body>" + title + "</body></html>\n";
    }
    void serve(const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(req.target);
        }
        const auto answer = m_answers.find(req.target);
        if (answer == m_answers.end()) {
            res.status = 404;
            res.set_content("not found", "text/plain");
            return;
        }
        res.set_content(answer->second.first, answer->second.second);
    }

    quarlo::test::LoopbackServer m_server;
    std::map<std::string, std::pair<std::string, std::string>> m_answers;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

int runCli(const std::vector<std::string>& words, std::string* out) {
    std::ostringstream output, errors;
    const int code = quarlo::cli::run(words, output, errors);
    *out = output.str() + errors.str();
    return code;
}

// The files every copy of the site holds, below the host's folder.
const std::set<std::string> kSaved = {
    "index.html",
    "show.html" + kQ + "id=1&p=2.html",
    "abs.html",
    "Case.html",
    "case.html",
    "frag.html",
    "css/a.css" + kQ + "v=3.css",
    "img/x.png" + kQ + "w=200.png",
    "js/opts.js",
};

class CliLinkValues : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_site.start()); }

    quarlo::test::TempHome m_home;
    LinkValuesSite m_site;
};

TEST_F(CliLinkValues, AFolderCopyFollowsAndConvertsLinksAsABrowserReadsThem) {
    const std::string folder = m_home.path() + "copy/";
    std::string out;
    ASSERT_EQ(
        runCli({"--pause", "0", "get", m_site.url("/index.html"), "--intranet", folder}, &out), 0)
        << out;
    const std::string site = folder + "127.0.0.1/";
    std::set<std::string> saved;
    for (const auto& entry : fs::recursive_directory_iterator(site))
        if (entry.is_regular_file())
            saved.insert(fs::relative(entry.path(), site).string());
    EXPECT_EQ(saved, kSaved);
    EXPECT_EQ(readWholeFile(site + "Case.html").find("Upper case") != std::string::npos, true);
    EXPECT_EQ(readWholeFile(site + "case.html").find("Lower case") != std::string::npos, true);

    // Each URL asked for once, as a browser would ask; nothing under a blank-padded name, and
    // nothing for the script tag's data attribute, which is no script text.
    const std::vector<std::string> requests = m_site.requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "/"), 0);
    for (const char* target : {"/show.asp?id=1&p=2", "/abs.html", "/Case.html", "/case.html",
                               "/css/a.css?v=3", "/img/x.png?w=200"})
        EXPECT_EQ(std::count(requests.begin(), requests.end(), target), 1) << target;
    for (const std::string& target : requests)
        EXPECT_EQ(target.find("%20"), std::string::npos) << target;

    // Converted links are written for their attribute, the blanks around them kept.
    const std::string index = readWholeFile(site + "index.html");
    for (const char* link :
         {"href=\"css/a.css%C2%BFv=3.css\"", "href=\"show.html%C2%BFid=1%26p=2.html\"",
          "href=\" abs.html\t\"", "href=\"Case.html\"", "href=\"case.html\"",
          "href='frag.html#a&amp;b'", "src=\"img/x.png%C2%BFw=200.png\"",
          "data-url_root=\"./\" src=\"js/opts.js\""})
        EXPECT_NE(index.find(link), std::string::npos) << link << "\n" << index;

    quarlo::test::LinkChecker checker(site, {m_site.root()});
    const std::vector<quarlo::test::BrokenLink> broken = checker.checkAll();
    EXPECT_TRUE(broken.empty()) << quarlo::test::describe(broken);
    EXPECT_GE(checker.linksFollowed(), 7);
}

// The archive is named after the start page's title.
TEST_F(CliLinkValues, AnArchiveCopyHoldsTheSameFiles) {
    std::string out;
    ASSERT_EQ(runCli({"--pause", "0", "get", m_site.url("/index.html"), "--zip",
                      m_home.path() + "zips/site.zip"},
                     &out),
              0)
        << out;
    const std::string archive = m_home.path() + "zips/Index.zip";
    ASSERT_TRUE(fs::exists(archive)) << out;
    std::set<std::string> entries;
    for (const std::string& name : quarlo::test::outsideEntryNames(archive))
        if (name.rfind("127.0.0.1/", 0) == 0)
            entries.insert(name.substr(10));
    EXPECT_EQ(entries, kSaved);
}

} // namespace
