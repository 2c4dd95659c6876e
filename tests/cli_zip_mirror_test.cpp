#include "cli/Cli.h"
#include "cli/SampleSiteServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;
using quarlo::test::readWholeFile;
using quarlo::test::TempHome;

namespace {

int runCli(const std::vector<std::string>& words, std::string* out = nullptr) {
    std::ostringstream output, errors;
    const int code = quarlo::cli::run(words, output, errors);
    if (out != nullptr)
        *out = output.str() + errors.str();
    return code;
}

// Every file below the folder, by its relative path, with its content.
std::map<std::string, std::string> tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).string()] =
                readWholeFile(entry.path().string());
    return files;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

} // namespace

// A site copied in Zip mode is the same site as one copied into a folder: the archive is
// named after the start page, every saved file is in it with its title as comment, and
// other tools read it.
TEST(CliZipMirror, ArchiveHoldsTheSameSiteAsAFolderCopy) {
    TempHome home;
    quarlo::cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    ASSERT_TRUE(site.start());
    std::string out;
    ASSERT_EQ(
        runCli({"--pause", "0", "get", site.rootUrl(), "--intranet", home.path() + "folder"}, &out),
        0)
        << out;
    ASSERT_EQ(
        runCli({"--pause", "0", "get", site.rootUrl(), "--zip", home.path() + "zips/site.zip"},
               &out),
        0)
        << out;
    EXPECT_NE(out.find("The copy of"), std::string::npos) << out;
    runCli({"tasks"}, &out);
    EXPECT_NE(out.find("Zipped!"), std::string::npos) << out;

    const std::string archive = home.path() + "zips/Bluewater Rowing Club.zip";
    ASSERT_TRUE(fs::exists(archive)) << out;
    EXPECT_FALSE(fs::exists(home.path() + "zips/site.zip"));
    EXPECT_EQ(std::system(("unzip -tq " + quoted(archive) + " >/dev/null").c_str()), 0);
    EXPECT_EQ(std::system(("python3 -m zipfile -t " + quoted(archive) + " >/dev/null").c_str()), 0);

    const std::string extracted = home.path() + "extracted";
    ASSERT_EQ(std::system(("unzip -q " + quoted(archive) + " -d " + quoted(extracted)).c_str()), 0);
    const auto folderCopy = tree(home.path() + "folder");
    const auto zipCopy = tree(extracted);
    EXPECT_GT(folderCopy.size(), 15u);
    EXPECT_EQ(zipCopy, folderCopy);

    // The start page's entry carries its title as comment.
    const std::string comments = home.path() + "comments.txt";
    ASSERT_EQ(std::system(("python3 -c \"import sys, zipfile; "
                           "[print(i.filename, i.comment.decode()) for i in "
                           "zipfile.ZipFile(sys.argv[1]).infolist()]\" " +
                           quoted(archive) + " > " + quoted(comments))
                              .c_str()),
              0);
    EXPECT_NE(readWholeFile(comments).find("index.html Bluewater Rowing Club"), std::string::npos)
        << readWholeFile(comments);
}
