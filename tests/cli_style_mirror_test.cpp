#include "cli/Cli.h"
#include "cli/SampleSiteServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using quarlo::test::readWholeFile;
using quarlo::test::TempHome;

namespace {

int runCli(const std::vector<std::string>& words, std::string* out) {
    std::ostringstream output, errors;
    const int code = quarlo::cli::run(words, output, errors);
    *out = output.str() + errors.str();
    return code;
}

// Every file below the folder, by its path relative to it.
std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files.insert(fs::relative(entry.path(), folder).string());
    return files;
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The references of a saved page or style sheet, read with patterns of its own: attribute
// values, every SRCSET candidate, url() and @import targets.
std::vector<std::string> referencesOf(const std::string& text) {
    std::vector<std::string> found;
    static const std::regex attribute(R"re(\b(?:src|href|poster|data)="([^"]*)")re");
    static const std::regex srcset(R"re(\bsrcset="([^"]*)")re");
    static const std::regex url(R"re(url\(\s*['"]?([^'")\s]+))re");
    static const std::regex import(R"re(@import\s+['"]([^'"]+))re");
    static const std::regex comment(R"re(/\*[^*]*\*/)re");
    const std::string uncommented = std::regex_replace(text, comment, "");
    for (const std::regex* pattern : {&attribute, &url, &import})
        for (std::sregex_iterator it(uncommented.begin(), uncommented.end(), *pattern), end;
             it != end; ++it)
            found.push_back((*it)[1]);
    for (std::sregex_iterator it(text.begin(), text.end(), srcset), end; it != end; ++it) {
        std::istringstream candidates(std::regex_replace((*it)[1].str(), std::regex(","), " , "));
        bool expectUrl = true;
        for (std::string word; candidates >> word;) {
            if (word == ",")
                expectUrl = true;
            else if (expectUrl)
                found.push_back(word), expectUrl = false;
        }
    }
    return found;
}

// Every reference of the copy's pages and style sheets that is not a data: URL opens a file
// inside the copy; none points back at the server.
void expectEveryReferenceOpens(const std::string& root, const std::string& siteUrl) {
    int checked = 0;
    for (const std::string& file : filesBelow(root)) {
        const std::string extension = fs::path(file).extension().string();
        if (extension != ".html" && extension != ".css")
            continue;
        const fs::path folder = fs::path(root) / fs::path(file).parent_path();
        for (const std::string& reference : referencesOf(readWholeFile(root + file))) {
            SCOPED_TRACE(file + ": " + reference);
            EXPECT_EQ(reference.find(siteUrl), std::string::npos);
            if (reference.starts_with("data:") || reference.starts_with("http"))
                continue;
            const fs::path opened = (folder / percentDecoded(reference)).lexically_normal();
            EXPECT_TRUE(fs::is_regular_file(opened)) << opened;
            ++checked;
        }
    }
    EXPECT_GT(checked, 25);
}

} // namespace

// A site of style sheets, responsive images and media, mirrored into a folder and into a
// Zip archive: each file is saved once under its own name, and every reference of the
// pages and style sheets opens a saved file.
TEST(CliStyleMirror, StyleSheetsImagesAndMediaAreSavedAndLinkedLocally) {
    TempHome home;
    const std::string source = QUARLO_TEST_DATA "/style-site/";
    quarlo::cli::SampleSiteServer site(source);
    ASSERT_TRUE(site.start());
    std::string out;
    const std::string folder = home.path() + "folder/";
    const std::string start = site.rootUrl() + "index.html";
    ASSERT_EQ(runCli({"--pause", "0", "get", start, "--intranet", folder}, &out), 0) << out;

    const std::string host = fs::path(site.rootUrl().substr(7)).begin()->string();
    const std::string hostFolder = host.substr(0, host.find(':')) + "/";
    std::set<std::string> expected;
    for (const std::string& file : filesBelow(source))
        expected.insert(hostFolder + file);
    EXPECT_EQ(filesBelow(folder), expected);
    expectEveryReferenceOpens(folder, site.rootUrl());
    EXPECT_NE(
        readWholeFile(folder + hostFolder + "css/theme/base.css").find("url(../../img/base.png)"),
        std::string::npos);

    ASSERT_EQ(runCli({"--pause", "0", "get", start, "--zip", home.path() + "zips/site.zip"}, &out),
              0)
        << out;
    const std::string archive = home.path() + "zips/Style site.zip";
    ASSERT_TRUE(fs::exists(archive)) << out;
    const std::string extracted = home.path() + "extracted/";
    ASSERT_EQ(std::system(("unzip -q '" + archive + "' -d '" + extracted + "'").c_str()), 0);
    EXPECT_EQ(filesBelow(extracted), expected);
    for (const std::string& file : expected)
        EXPECT_EQ(readWholeFile(extracted + file), readWholeFile(folder + file)) << file;
}
