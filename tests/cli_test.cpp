#include "cli/Args.h"
#include "cli/Cli.h"
#include "support/CliRunner.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <sys/stat.h>

using quarlo::cli::Args;
using quarlo::test::runCli;
using quarlo::test::TempHome;

TEST(CliArgs, OptionsAnywhereAndBothForms) {
    Args args({"new", "--profile", "Site Copy", "http://h/", "--category=News", "--force"});
    EXPECT_TRUE(args.flag("--force"));
    EXPECT_EQ(args.option("--profile"), "Site Copy");
    EXPECT_EQ(args.option("--category"), "News");
    auto words = args.positional();
    ASSERT_TRUE(words.ok());
    EXPECT_EQ(*words, (std::vector<std::string>{"new", "http://h/"}));
}

TEST(CliArgs, ProblemsAreReported) {
    struct Case {
        std::vector<std::string> words;
        std::string problem;
    } cases[] = {
        {{"x", "--depth"}, "option --depth needs a value"},
        {{"x", "--depth", "two"}, "option --depth needs a whole number, not \"two\""},
        {{"x", "--bogus"}, "unknown option --bogus"},
    };
    for (const auto& c : cases) {
        Args args(c.words);
        args.intOption("--depth");
        auto words = args.positional();
        EXPECT_FALSE(words.ok());
        EXPECT_EQ(words.message(), c.problem);
    }
    Args dashes({"--", "--not-an-option"});
    ASSERT_TRUE(dashes.positional().ok());
    EXPECT_EQ(dashes.positional()->front(), "--not-an-option");
}

TEST(CliHelp, ListsCommandsAndDescribesOne) {
    const auto all = runCli({"--help"});
    EXPECT_EQ(all.code, 0);
    for (const char* name : {"settings", "profile", "task", "tasks"})
        EXPECT_NE(all.out.find(name), std::string::npos) << name;
    const auto one = runCli({"help", "settings"});
    EXPECT_EQ(one.code, 0);
    EXPECT_NE(one.out.find("quarlo-cli settings set NAME VALUE"), std::string::npos);
    EXPECT_EQ(runCli({"help", "nosuch"}).code, 2);
    const auto unknown = runCli({"frobnicate"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("unknown command: frobnicate"), std::string::npos);
}

TEST(CliSettings, KnownValuesKeepTheirTypeUnknownNeedOne) {
    TempHome home;
    EXPECT_EQ(runCli({"settings", "set", "connections", "8"}).code, 0);
    EXPECT_EQ(runCli({"settings", "get", "Connections"}).out, "8\n");
    EXPECT_EQ(runCli({"settings", "set", "No Ads", "true"}).code, 0);
    EXPECT_EQ(runCli({"settings", "get", "No Ads"}).out, "1\n");

    const auto badNumber = runCli({"settings", "set", "Connections", "many"});
    EXPECT_EQ(badNumber.code, 2);
    EXPECT_NE(badNumber.err.find("whole number"), std::string::npos);
    EXPECT_EQ(runCli({"settings", "get", "Connections"}).out, "8\n");

    EXPECT_EQ(runCli({"settings", "set", "My Value", "x"}).code, 2);
    EXPECT_EQ(runCli({"settings", "set", "My Value", "x", "--string"}).code, 0);
    EXPECT_EQ(runCli({"settings", "set", "My Count", "-3", "--dword"}).code, 0);
    EXPECT_EQ(runCli({"settings", "get", "My Count"}).out, "-3\n");

    const auto list = runCli({"settings", "list"});
    EXPECT_NE(list.out.find("Connections = 8"), std::string::npos);
    EXPECT_NE(list.out.find("My Value = x"), std::string::npos);
}

TEST(CliSettings, FolderRulesApplyAndFileIsPrivate) {
    TempHome home;
    EXPECT_EQ(runCli({"settings", "set", "Temp Folder", home.path() + "scratch"}).code, 0);
    EXPECT_EQ(runCli({"settings", "get", "Temp Folder"}).out, home.path() + "scratch/Quarlo/\n");
    struct stat info {};
    ASSERT_EQ(::stat((home.path() + "settings.reg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(CliGlobalOptions, StoredBeforeTheCommandAndChecked) {
    TempHome home;
    EXPECT_EQ(runCli({"--connections", "12", "--pause=0", "settings", "list"}).code, 0);
    EXPECT_EQ(runCli({"settings", "get", "Connections"}).out, "12\n");
    EXPECT_EQ(runCli({"settings", "get", "Dispatch Pause"}).out, "0\n");
    const auto bad = runCli({"--connections", "17", "settings", "list"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("--connections must lie between 1 and 16"), std::string::npos);

    // Refused with or without a command, before the help and before anything is stored;
    // an unknown option does not take the command for its value.
    struct Case {
        std::vector<std::string> words;
        std::string named;
    } cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--bogus", "settings", "list"}, "unknown option --bogus"},
        {{"--connections", "0"}, "--connections must lie between 1 and 16"},
        {{"--connections=0", "settings", "list"}, "--connections must lie between 1 and 16"},
        {{"--pause"}, "option --pause needs a value"},
        {{"--priority", "settings", "list"}, "--priority needs a whole number, not \"settings\""},
        {{"--pause", "5", "--bogus", "--help"}, "unknown option --bogus"},
    };
    for (const auto& c : cases) {
        const auto refused = runCli(c.words);
        EXPECT_EQ(refused.code, 2) << c.named;
        EXPECT_EQ(refused.out, "") << c.named;
        EXPECT_NE(refused.err.find(c.named), std::string::npos) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    }
    EXPECT_EQ(runCli({"settings", "get", "Connections"}).out, "12\n");
    EXPECT_EQ(runCli({"settings", "get", "Dispatch Pause"}).out, "0\n");
    EXPECT_EQ(runCli({"--connections", "4"}).code, 0); // valid, no command: the help
}

TEST(CliTasks, NewTasksAreNamedAfterTheSiteAndListed) {
    TempHome home;
    // Through the real executable, as a user would.
    const std::string cli = std::string(QUARLO_CLI_PATH) + " ";
    ASSERT_EQ(std::system((cli + "task new http://www.alpha.test/ >/dev/null").c_str()), 0);
    ASSERT_EQ(std::system((cli + "task new http://www.alpha.test/ >/dev/null").c_str()), 0);
    const auto list = runCli({"tasks"});
    EXPECT_EQ(list.code, 0);
    EXPECT_NE(list.out.find("Category General:"), std::string::npos);
    EXPECT_NE(list.out.find("alpha "), std::string::npos);
    EXPECT_NE(list.out.find("alpha(0)"), std::string::npos);
    EXPECT_NE(list.out.find("Unscheduled"), std::string::npos);
    for (const char* name : {"alpha", "alpha(0)"}) {
        struct stat info {};
        const std::string file = home.path() + "Tasks/General/" + name + ".qlt";
        ASSERT_EQ(::stat(file.c_str(), &info), 0) << file;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << file;
    }
    const auto show = runCli({"task", "show", "alpha(0)"});
    EXPECT_EQ(show.code, 0);
    EXPECT_NE(show.out.find("URL: http://www.alpha.test/\n"), std::string::npos);
    EXPECT_NE(show.out.find("Destination: " + home.path() + "Downloads/alpha(0).zip"),
              std::string::npos);
    EXPECT_NE(show.out.find("Status: 0 (Unscheduled)"), std::string::npos);
}

TEST(CliTasks, DestinationsCategoriesAndBadInput) {
    TempHome home;
    EXPECT_EQ(runCli({"task", "new", "beta.test/docs", "--intranet", home.path() + "site",
                      "--category", "Work"})
                  .code,
              0);
    const auto show = runCli({"task", "show", "Work/beta_test"});
    EXPECT_EQ(show.code, 0) << show.err;
    EXPECT_NE(show.out.find("URL: http://beta.test/docs/\n"), std::string::npos);
    EXPECT_NE(show.out.find("Destination: " + home.path() + "site/\n"), std::string::npos);
    EXPECT_NE(show.out.find("Intranet Mode: 1"), std::string::npos);

    struct Case {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"task", "new", "ftp://h/x"}, "not supported"},
        {{"task", "new", "http:///x"}, "Invalid URL."},
        {{"task", "new", "http://h/", "--category", "../escape"}, "category"},
        {{"task", "new", "http://h/", "--profile", "Nope"}, "Nope"},
        {{"task", "new", "http://h/", "--zip", "a.zip", "--intranet", "d"}, "not both"},
        {{"task", "show", "missing"}, "no task \"missing\""},
        {{"task", "show", "../../etc/passwd"}, "category"},
        {{"tasks", "Nowhere"}, "no category \"Nowhere\""},
    };
    for (const auto& c : cases) {
        const auto result = runCli(c.words);
        EXPECT_EQ(result.code, 2) << c.words.back();
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
}

TEST(CliProfiles, SaveShowListDeleteWithOverwriteGuard) {
    TempHome home;
    EXPECT_EQ(runCli({"profile", "save", "Deep", "--depth", "3", "--pages", "anywhere", "--types",
                      ".gif,jpg", "--exclude", "[PL]a b,c"})
                  .code,
              0);
    const auto show = runCli({"profile", "show", "Deep"});
    EXPECT_NE(show.out.find("Depth: 3 (current page + 3)"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("Page Location: 2 (anywhere)"), std::string::npos);
    EXPECT_NE(show.out.find("File Types: .gif,.jpg"), std::string::npos);
    EXPECT_NE(show.out.find("URL Filters Exclude: \"[PL]a b,c\""), std::string::npos);

    const auto again = runCli({"profile", "save", "Deep", "--depth", "1"});
    EXPECT_EQ(again.code, 2);
    EXPECT_NE(again.err.find("already exists"), std::string::npos);
    EXPECT_NE(runCli({"profile", "show", "Deep"}).out.find("Depth: 3"), std::string::npos);
    EXPECT_EQ(runCli({"profile", "save", "Deep", "--depth", "1", "--force"}).code, 0);
    EXPECT_NE(runCli({"profile", "show", "Deep"}).out.find("Depth: 1"), std::string::npos);

    EXPECT_EQ(runCli({"task", "new", "http://h/", "--profile", "Deep"}).code, 0);
    EXPECT_NE(runCli({"task", "show", "h"}).out.find("Profile Name: Deep"), std::string::npos);

    EXPECT_EQ(runCli({"profile", "list"}).out, "Deep\n");
    EXPECT_EQ(runCli({"profile", "delete", "Deep"}).code, 0);
    EXPECT_EQ(runCli({"profile", "list"}).out, "");
    EXPECT_EQ(runCli({"profile", "delete", "Deep"}).code, 2);
    EXPECT_EQ(runCli({"profile", "save", "a/b"}).code, 2);
    EXPECT_EQ(runCli({"profile", "save", "x", "--pages", "moon"}).code, 2);
}
