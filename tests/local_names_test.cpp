#include "html/LocalNames.h"

#include "html/FileTypes.h"
#include "html/UrlFunctions.h"
#include "platform/SettingsStore.h"
#include "support/FileTypesFixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace quarlo {
namespace {

const std::string kSave = "/save/";

std::string repeat(std::string_view piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

// Every segment of a "/" path, for the length and UTF-8 checks.
std::vector<std::string> segmentsOf(const std::string& path) {
    std::vector<std::string> out;
    std::size_t begin = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         begin = slash + 1, slash = path.find('/', begin)) {
        out.push_back(path.substr(begin, slash - begin));
    }
    out.push_back(path.substr(begin));
    return out;
}

bool isWholeUtf8(const std::string& text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t j = 1; j < length; ++j) {
            if ((static_cast<unsigned char>(text[i + j]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

class LocalNamesTest : public test::FileTypesFixture {
protected:
    void SetUp() override { importShippedTable(); }
    std::string name(std::string_view url) { return LocalName(m_types, kSave, url); }
    std::string link(std::string_view url, std::string_view pageDir) {
        return LocalLink(m_types, url, pageDir);
    }
};

TEST_F(LocalNamesTest, LinksBetweenSavedPages) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"http://h/a/b/", "http://h/a/c/x.html", "../c/x.html"},
        {"http://h/a/b/", "http://h/x.html", "../../x.html"},
        {"http://h/a/b/", "http://h2/y/z.gif", "../../../h2/y/z.gif"},
        {"http://h/", "http://h/a/b/", "a/b/b.html"},
        {"http://h/a/b/", "http://h/a/b/", "b.html"},
        {"http://h/", "http://h2", "../h2/html"},
        {"http://h/cgi/", "http://h/cgi/show.asp?id=3&amp;p=2", "show.html\xC2\xBFid=3&p=2.html"},
        {"http://h/", "http://h/img.cgi?name=a.gif", "img.cgi\xC2\xBFname=a.gif"},
        {"http://h/", "http://h/x.cgi?p=1/2",
         "x.cgi\xC2\xBFp=1\xC2\xA1"
         "2.html"},
        // Server pages become .html in the document name only.
        {"http://h/", "http://h/show.asp?id=1", "show.html\xC2\xBFid=1.html"},
        {"http://h/", "http://h/a.PHP", "a.html"},
        {"http://h/", "http://h/a.shtm", "a.html"},
        {"http://h/", "http://h/a.asp/x.gif", "a.asp/x.gif"},
        {"http://h/", "http://h/a.asp/", "a.asp/a.asp.html"},
        {"http://h/", "http://www.asp.test/p.html", "../www.asp.test/p.html"},
        {"http://h/", "http://h/x.cgi?f=a.asp",
         "x.cgi\xC2\xBF"
         "f=a.asp.html"},
        // The link is not percent-encoded; the host folder is named exactly as the host.
        {"http://h/", "http://h/caf%C3%A9.html", "caf%C3%A9.html"},
        {"http://h/", "http://a%20b/x.html", "../a%20b/x.html"},
    };
    for (const auto& [pageDir, url, expected] : cases) {
        EXPECT_EQ(link(url, pageDir), expected) << url << " from " << pageDir;
    }
}

TEST_F(LocalNamesTest, LocalPathsOfUrls) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/a/b/page.html", "h/a/b/page.html"},
        {"http://h/a/b/", "h/a/b/b.html"},
        {"http://h/a/b", "h/a/b/b.html"},
        {"http://h/cgi/show.asp?id=3&amp;p=2", "h/cgi/show.html\xC2\xBFid=3&p=2.html"},
        {"http://h/img.cgi?name=a.gif", "h/img.cgi\xC2\xBFname=a.gif"},
        {"http://h/dir/file%20name.htm", "h/dir/file name.htm"},
        {"http://www.alpha.test/", "www.alpha.test/www.alpha.html"},
        {"http://h:81/a.asp", "h/a.html"},
        {"https://h/a.html", "h/a.html"},
        {"http://h/a.asp/b.php/", "h/a.asp/b.php/b.php.html"},
        {"http://www.asp.test/x.asp", "www.asp.test/x.html"},
        {"http://h/a:b/c|d*e.gif", "h/a\xC2\xA6"
                                   "b/c\xC2\xA6"
                                   "d\xC2\xB0"
                                   "e.gif"},
        {"http://h/a//b.html", "h/a/b.html"},
        // A query keeps a stylesheet's or an image's extension last.
        {"http://h/a.css?v=3", "h/a.css\xC2\xBFv=3.css"},
        {"http://h/x.jpg?w=200", "h/x.jpg\xC2\xBFw=200.jpg"},
        {"http://h/s/A.JS?v=1/2", "h/s/A.JS\xC2\xBFv=1\xC2\xA1"
                                  "2.JS"},
        // Letter case is kept: two URLs that differ in it are two files.
        {"http://h/Case.html", "h/Case.html"},
        {"http:///x.html", "x.html"},
    };
    for (const auto& [url, expected] : cases) {
        EXPECT_EQ(name(url), kSave + expected) << url;
    }
    EXPECT_EQ(LocalName(m_types, "/save", "http://h/x.gif"), "/save/h/x.gif");
    EXPECT_EQ(link("http://h/css/a.css?v=3", "http://h/p/"), "../css/a.css\xC2\xBFv=3.css");
    EXPECT_EQ(LocalDocumentName(m_types, "http://h/cgi/show.asp?id=3"),
              "show.html\xC2\xBFid=3.html");
}

TEST_F(LocalNamesTest, ServerExtensionsComeFromTheTable) {
    ASSERT_TRUE(m_types.writeCategory("HTML", ".htm;.html;.php;").ok());
    EXPECT_EQ(link("http://h/a.php", "http://h/"), "a.html");
    EXPECT_EQ(link("http://h/a.asp", "http://h/"), "a.asp");
    ASSERT_TRUE(m_store.deleteValue(kFileTypesKey, "HTML"));
    EXPECT_EQ(link("http://h/a.php", "http://h/"), "a.php");
    for (const char* ext : {".asp", ".shtml", ".phtml", ".sml"}) {
        EXPECT_EQ(link(std::string("http://h/a") + ext, "http://h/"), "a.html") << ext;
    }
}

TEST(LocalNameEscapesTest, EscapesAndDirectoryNames) {
    const std::pair<const char*, const char*> escapes[] = {
        {"a/b?x=1/2?3", "a/b\xC2\xBFx=1\xC2\xA1"
                        "2\xC2\xBF"
                        "3"},
        {"a%20b&AMP;c", "a b&c"},
        {"a%3ab%3Ac", "a\xC2\xA6"
                      "b\xC2\xA6"
                      "c"},
        {"a|b*c:d", "a\xC2\xA6"
                    "b\xC2\xB0"
                    "c\xC2\xA6"
                    "d"},
        {"a//b///c", "a/b//c"},
        {"q\"<>%41", "q\"<>%41"},
    };
    for (const auto& [text, expected] : escapes) {
        EXPECT_EQ(EscapeLocalPath(text), expected) << text;
    }
    EXPECT_EQ(DefaultDocumentName("http://h/a/b/"), "b.html");
    EXPECT_EQ(DefaultDocumentName("http://www.alpha.test/"), "www.alpha.html");
    EXPECT_EQ(DefaultDocumentName("http://localhost/"), "html");
    EXPECT_EQ(DefaultDocumentName("./"), "");
}

TEST_F(LocalNamesTest, LongNamesAreCut) {
    // A 300-byte document name keeps 250 bytes and its extension.
    const std::string longName = repeat("n", 295) + ".html";
    EXPECT_EQ(name("http://h/" + longName), kSave + "h/" + repeat("n", 250) + ".html");
    // Two such names that agree in their first 250 bytes share a file.
    EXPECT_EQ(name("http://h/" + repeat("n", 260) + "x.html"), name("http://h/" + longName));

    // A 256-byte name passes the 256 rule but not the file system: cut to 255.
    const std::string n256 = repeat("m", 252) + ".gif";
    EXPECT_EQ(name("http://h/" + n256), kSave + "h/" + repeat("m", 251) + ".gif");

    // Folders and UTF-8 names are cut between characters.
    const std::string folder = repeat("\xC3\xB6", 200);                 // 400 bytes
    const std::string doc = "x" + repeat("\xE2\x82\xAC", 100) + ".php"; // 305 bytes
    const std::string url = "http://h/" + folder + "/" + doc;
    const std::string local = name(url);
    ASSERT_FALSE(local.empty());
    for (const auto& segment : segmentsOf(local)) {
        EXPECT_LE(segment.size(), kMaxSegmentBytes);
        EXPECT_TRUE(isWholeUtf8(segment)) << segment;
    }
    EXPECT_TRUE(local.ends_with(".html"));
    EXPECT_EQ(segmentsOf(local)[3].size(), 254u); // 127 whole characters of two bytes

    // A page in the long folder reaches the file under its cut name.
    const std::string pageDir = "http://h/" + folder + "/";
    const std::string pageFolder = name(pageDir + "index.html");
    const std::string linked = std::filesystem::path(pageFolder)
                                   .parent_path()
                                   .append(link(url, pageDir))
                                   .lexically_normal();
    EXPECT_EQ(linked, local);
    EXPECT_EQ(link(url, "http://h2/"), "../h/" + local.substr(kSave.size() + 2));

    EXPECT_EQ(fitSegment(repeat("a", 300) + "." + repeat("e", 20)).size(), 255u);
    EXPECT_EQ(fitSegment(repeat("a", 300) + ".tar"), repeat("a", 251) + ".tar");
}

TEST_F(LocalNamesTest, RefusesNamesOutsideTheSaveFolder) {
    const std::string nul("http://h/a\0b.html", 17);
    const char* refused[] = {
        "http://../x.html",
        "http://%2e%2e/x.html",
        "http://h/../x.html",
        "http://h/a/../../x",
        "http://h/..",
        "http://h/./x.html",
        "http://h/%2e%2e/x",
        "http://h/%2E./x",
        "http://h/a%2f..%2fb/x.html",
        "http://h/..%5c../x",
        "http://h/a///b/x.html",
        "h\\..\\..\\x.html",
        "./",
        "",
    };
    for (const char* url : refused) {
        EXPECT_EQ(name(url), "") << url;
    }
    EXPECT_EQ(name(nul), "");
    // Encoded dots inside a longer name are plain characters.
    EXPECT_EQ(name("http://h/%2e%2e.html"), kSave + "h/%2e%2e.html");
    EXPECT_EQ(name("http://h/a..b/"), kSave + "h/a..b/a..b.html");
}

TEST_F(LocalNamesTest, HostileUrlsNeverLeaveTheSaveFolder) {
    const std::vector<std::string> hosts = {
        "h", "..", ".", "", "%2e%2e", "%2E.", repeat("h", 300), "a:b", "..\\..", "www.x.test"};
    const std::vector<std::string> pieces = {"..",
                                             ".",
                                             "%2e%2e",
                                             "%2E",
                                             "/",
                                             "\\",
                                             "?",
                                             "#",
                                             ":",
                                             std::string(1, '\0'),
                                             "%2f",
                                             "//",
                                             "x",
                                             "y.html",
                                             ".asp",
                                             repeat("a", 300),
                                             repeat("\xC3\xB6", 150),
                                             "%5c"};
    const std::filesystem::path save = "/save";
    std::mt19937 random(42);
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        std::string url = random() % 8 == 0 ? "" : "http://";
        url += hosts[random() % hosts.size()];
        url += random() % 2 == 0 ? "/" : "";
        for (int count = 1 + random() % 8; count > 0; --count) {
            url += pieces[random() % pieces.size()];
        }
        const std::string local = name(url);
        link(url, "http://h/a/"); // must not fail whatever it returns
        if (local.empty()) {
            continue;
        }
        ++accepted;
        ASSERT_TRUE(local.starts_with(kSave)) << url;
        ASSERT_EQ(local.find('\0'), std::string::npos) << url;
        const auto relative =
            std::filesystem::path(local).lexically_normal().lexically_relative(save);
        ASSERT_FALSE(relative.empty()) << url;
        ASSERT_NE(*relative.begin(), "..") << url;
        ASSERT_NE(relative, ".") << url;
        for (const auto& segment : segmentsOf(local.substr(kSave.size()))) {
            ASSERT_FALSE(segment.empty()) << url;
            ASSERT_LE(segment.size(), kMaxSegmentBytes) << url;
        }
    }
    EXPECT_GT(accepted, 500);
}

// A namer keeps what the URLs of one folder share and what each URL gave; every name must
// still be the one LocalName gives, for URLs met again, for neighbours in a folder already
// met, and for URLs whose own directory splits otherwise than they do.
TEST_F(LocalNamesTest, ANamerNamesEveryUrlAsLocalNameDoes) {
    const std::vector<std::string> starts = {
        "http://h/", "http://h/a/", "http://H/a/",  "http://h2/a/",           "http://h/a\\b/",
        "",          "h/a/",        "http://h:81/", "http://h/x?u=http://y/", "/abs/"};
    const std::vector<std::string> pieces = {
        "x.html",    "b/", "b",  "..", "%2e%2e/", "show.asp?id=1",  "?p=1/2",      "#f",
        "a.gif?x=1", "//", "\\", ".",  "c:d/",    repeat("l", 300), "\xC3\xA9.php"};
    LocalNamer namer(m_types);
    std::mt19937 random(11);
    for (int round = 0; round < 5000; ++round) {
        std::string url = starts[random() % starts.size()];
        for (int count = random() % 4; count > 0; --count) {
            url += pieces[random() % pieces.size()];
        }
        ASSERT_EQ(namer.name(url), LocalName(m_types, "", url)) << url;
    }
}

TEST_F(LocalNamesTest, LinksReachTheFilesOfTheirUrls) {
    // For pages and targets built from awkward but harmless parts, the link written into a
    // page, followed from the page's folder, names exactly the target's file.
    const std::vector<std::string> hosts = {"h", "h2", "www.alpha.test"};
    const std::vector<std::string> folders = {
        "a", "b.asp", "x y%20z", "c:d", "p|q*r", repeat("f", 300), repeat("\xC3\xB6", 140)};
    const std::vector<std::string> documents = {"",
                                                "page.html",
                                                "show.asp",
                                                "img.cgi",
                                                repeat("d", 300) + ".html",
                                                repeat("\xC3\xBC", 130) + ".php"};
    const std::vector<std::string> queries = {"", "?id=1", "?p=1/2", "?name=a.gif", "?x=a:b/c?d"};
    std::mt19937 random(3);
    auto makeUrl = [&] {
        std::string url = "http://" + hosts[random() % hosts.size()] + "/";
        for (int count = random() % 4; count > 0; --count) {
            url += folders[random() % folders.size()] + "/";
        }
        return url + documents[random() % documents.size()] + queries[random() % queries.size()];
    };
    for (int round = 0; round < 2000; ++round) {
        const std::string page = makeUrl();
        const std::string target = makeUrl();
        const std::string pageFile = name(page);
        const std::string targetFile = name(target);
        ASSERT_FALSE(pageFile.empty()) << page;
        ASSERT_FALSE(targetFile.empty()) << target;
        const std::string followed = std::filesystem::path(pageFile)
                                         .parent_path()
                                         .append(link(target, URLDirectory(page)))
                                         .lexically_normal();
        ASSERT_EQ(followed, targetFile) << target << " from " << page;
    }
}

} // namespace
} // namespace quarlo
