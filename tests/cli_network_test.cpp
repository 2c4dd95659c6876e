// The network options of the command line: the account, certificates, size and rate limits.
#include "model/TQLProfile.h"
#include "platform/IniFile.h"
#include "support/CliRunner.h"
#include "support/JsonCheck.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using quarlo::IniFile;
using quarlo::test::runCli;
using quarlo::test::writeWholeFile;

class NetworkCli : public ::testing::Test {
protected:
    // The task file "task new" reports, or "" when it failed.
    std::string newTask(const std::vector<std::string>& words) {
        std::vector<std::string> line = {"task", "new"};
        line.insert(line.end(), words.begin(), words.end());
        last = runCli(line);
        if (last.code != 0)
            return {};
        const auto colon = last.out.rfind(": ");
        return last.out.substr(colon + 2, last.out.size() - colon - 3);
    }

    quarlo::test::TempHome home;
    quarlo::test::CliRun last{0, {}, {}};
};

TEST_F(NetworkCli, AccountComesFromThePasswordFileAndIsNeverPrinted) {
    const std::string secretFile = home.path() + "pw.txt";
    writeWholeFile(secretFile, "s3cret pass\r\nsecond line\n");
    const std::string file = newTask(
        {"http://intranet.test/", "--user", "bob", "--password-file", secretFile, "--insecure"});
    ASSERT_FALSE(file.empty()) << last.err;
    EXPECT_EQ(last.out.find("s3cret"), std::string::npos);
    const IniFile ini(file);
    EXPECT_EQ(ini.readString("Task", "User Name"), "bob");
    EXPECT_EQ(ini.readString("Task", "Password"), "s3cret pass");
    EXPECT_EQ(ini.readString("Task", "Accept Any Certificate"), "1");
    const auto shown = runCli({"task", "show", file});
    EXPECT_EQ(shown.out.find("s3cret"), std::string::npos);
    EXPECT_NE(shown.out.find("\nAccept Any Certificate: 1\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("\nPassword: (set)\n"), std::string::npos);
    const auto json = quarlo::test::parseJson(runCli({"task", "show", file, "--json"}).out);
    EXPECT_EQ(json.at("/accept_any_certificate"), "true");
    EXPECT_EQ(json.at("/password"), "\"(set)\"");

    // Without --insecure the certificate is checked, as before.
    const std::string plain = newTask({"http://plain.test/"});
    ASSERT_FALSE(plain.empty()) << last.err;
    EXPECT_EQ(IniFile(plain).readString("Task", "Accept Any Certificate"), "0");
    EXPECT_EQ(IniFile(plain).readString("Task", "User Name"), "");
}

TEST_F(NetworkCli, BadAccountOptionsAreRefusedAndCreateNothing) {
    const std::string empty = home.path() + "empty.txt";
    writeWholeFile(empty, "\nsecret on the second line\n");
    const std::string locked = home.path() + "locked.txt";
    writeWholeFile(locked, "secret\n");
    ::chmod(locked.c_str(), 0);
    struct Case {
        std::vector<std::string> words;
        std::string named;
    } cases[] = {
        {{"--user", "bob"}, "give --user and --password-file together"},
        {{"--password-file", empty}, "give --user and --password-file together"},
        {{"--user", "bob", "--password-file", home.path() + "missing.txt"},
         "cannot read the password file " + home.path() + "missing.txt: no such file"},
        {{"--user", "bob", "--password-file", home.path()}, "it is a folder"},
        {{"--user", "bob", "--password-file", empty}, "holds no password on its first line"},
        {{"--user", "", "--password-file", locked}, "--user needs a name"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"http://refused.test/"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        EXPECT_TRUE(newTask(words).empty()) << c.named;
        EXPECT_EQ(last.code, 2) << c.named;
        EXPECT_NE(last.err.find(c.named), std::string::npos) << last.err;
        EXPECT_EQ(last.err.find("secret"), std::string::npos) << last.err;
    }
    // A file its owner cannot read (root reads anything, so only checked for others).
    if (::geteuid() != 0) {
        EXPECT_TRUE(
            newTask({"http://refused.test/", "--user", "bob", "--password-file", locked}).empty());
        EXPECT_NE(last.err.find("it is not readable"), std::string::npos) << last.err;
    }
    EXPECT_EQ(runCli({"tasks", "General"}).out.find("refused"), std::string::npos);
}

TEST_F(NetworkCli, SizeRateAndPerHostLimitsAreStored) {
    const auto saved =
        runCli({"profile", "save", "Small", "--max-page-size", "100", "--max-media-size", "300"});
    ASSERT_EQ(saved.code, 0) << saved.err;
    quarlo::TQLProfile profile;
    profile.setFilePath(home.path() + "Profiles/Small.qlp");
    profile.read();
    EXPECT_EQ(profile.pageFileSizeMax(), 100);
    EXPECT_EQ(profile.resourceFileSizeMax(), 300);
    EXPECT_EQ(profile.pageFileSizeMin(), 0);
    const auto shown = runCli({"profile", "show", "Small"}).out;
    for (const char* line : {"\nPage File Size Max: 100\n", "\nResource File Size Max: 300\n",
                             "\nPage File Size Min: 0\n", "\nObey Robots: 1\n"})
        EXPECT_NE(shown.find(line), std::string::npos) << line << shown;
    const auto json = quarlo::test::parseJson(runCli({"profile", "show", "Small", "--json"}).out);
    EXPECT_EQ(json.at("/page_file_size_max"), "100");
    EXPECT_EQ(json.at("/resource_file_size_max"), "300");
    EXPECT_EQ(json.at("/obey_robots"), "true");
    const auto negative = runCli({"profile", "save", "Bad", "--max-page-size", "-1"});
    EXPECT_EQ(negative.code, 2);
    EXPECT_NE(negative.err.find("--max-page-size takes a size in KB"), std::string::npos);

    EXPECT_EQ(runCli({"--limit-rate", "50", "settings", "get", "Max Rate"}).out, "50\n");
    const auto badRate = runCli({"--limit-rate", "-5", "settings", "list"});
    EXPECT_EQ(badRate.code, 2);
    EXPECT_NE(badRate.err.find("--limit-rate must lie between 0 and"), std::string::npos);
    EXPECT_EQ(runCli({"settings", "set", "Connections Per Host", "2"}).code, 0);
    EXPECT_EQ(runCli({"settings", "get", "Connections Per Host"}).out, "2\n");
    const auto listed = runCli({"settings", "list"});
    EXPECT_NE(listed.out.find("Connections Per Host"), std::string::npos);
    EXPECT_NE(listed.out.find("Max Rate"), std::string::npos);
}

} // namespace
