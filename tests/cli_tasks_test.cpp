#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"
#include "platform/InstanceLock.h"
#include "support/CliRunner.h"
#include "support/TempHome.h"
#include "support/ZipTestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using quarlo::test::readWholeFile;
using quarlo::test::runCli;
using quarlo::test::writeWholeFile;

class TasksCli : public ::testing::Test {
protected:
    // Creates a task through the command line; returns its task file.
    std::string newTask(const std::vector<std::string>& words) {
        std::vector<std::string> line = {"task", "new"};
        line.insert(line.end(), words.begin(), words.end());
        const auto created = runCli(line);
        EXPECT_EQ(created.code, 0) << created.err;
        const auto colon = created.out.rfind(": ");
        return created.out.substr(colon + 2, created.out.size() - colon - 3);
    }
    void setStatus(const std::string& file, int status) {
        std::string text = readWholeFile(file);
        const auto at = text.find("Status=0");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 8, "Status=" + std::to_string(status));
        writeWholeFile(file, text);
    }
    // The local file of a task's start page, as the program works it out.
    std::string startPage(const std::string& file) {
        auto app = quarlo::TQLApp::create(quarlo::locateFolders());
        EXPECT_TRUE(app.ok()) << app.message();
        return quarlo::TQLTask::loadFromFile(**app, file)->startPageLocalFile();
    }
    std::string exported(const char* name) { return readWholeFile(home.path() + "temp/" + name); }

    quarlo::test::TempHome home;
};

TEST_F(TasksCli, TasksPrintsATableOrTheExportsLinesAndWritesTheExport) {
    const std::string alpha = newTask({"http://www.alpha.test/"});
    newTask({"http://www.beta.test/a,b.html"});
    setStatus(alpha, 5);

    const auto csv = runCli({"tasks", "General", "--csv"});
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out, exported("tasks.txt"));
    EXPECT_EQ(csv.out.rfind("Task Name,Title,Status,Schedule,Last Run,Next Run,Pages,Media,URL,"
                            "Local URL,Destination,Download Method,Start Page\r\n"
                            "alpha,\"\",\"Incomplete\",\"\",\"\",\"\",\"0/0\",\"0\","
                            "\"http://www.alpha.test/\",\"\",\"" +
                                home.path() + "Downloads/alpha.zip\",\"\",\"" + alpha +
                                "\"\r\nbeta,",
                            0),
              0u)
        << csv.out;
    EXPECT_NE(readWholeFile(alpha).find("Status=4\r\n"), std::string::npos);
    EXPECT_NE(exported("tasks.js").find("\"http://www.beta.test/a,b.html\""), std::string::npos);

    const auto table = runCli({"tasks"});
    ASSERT_EQ(table.code, 0) << table.err;
    EXPECT_EQ(table.out.rfind("Category General:\nTASK NAME  STATUS       SCHEDULE", 0), 0u)
        << table.out;
    EXPECT_NE(table.out.find("\nalpha      Incomplete   -"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("http://www.beta.test/a,b.html\n"), std::string::npos);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"tasks", "Nope"}, {"tasks", "../.."}, {"tasks", "a", "b"}}) {
        const auto refused = runCli(bad);
        EXPECT_EQ(refused.code, 2) << bad[1];
        EXPECT_FALSE(refused.err.empty());
    }
}

TEST_F(TasksCli, TaskShowWritesTheDetailsExport) {
    newTask({"http://www.alpha.test/", "--category", "Work"});
    const auto csv = runCli({"task", "show", "Work/alpha", "--csv"});
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(csv.out, exported("task_details.txt"));
    EXPECT_NE(csv.out.find(",Depth,Aggressive Parser\r\nalpha,\"\",\"Unscheduled\""),
              std::string::npos)
        << csv.out;
    fs::remove(home.path() + "temp/task_details.txt");
    const auto fields = runCli({"task", "show", "Work/alpha"});
    ASSERT_EQ(fields.code, 0) << fields.err;
    EXPECT_NE(fields.out.find("Status: 0 (Unscheduled)\n"), std::string::npos);
    EXPECT_EQ(exported("task_details.txt"), csv.out);
    EXPECT_EQ(runCli({"task", "show", "Work/nobody", "--csv"}).code, 2);
}

TEST_F(TasksCli, NoRobotsIsStoredInTheNewTasksProfileOnly) {
    const std::string polite = newTask({"http://www.alpha.test/"});
    const std::string impolite = newTask({"http://www.beta.test/", "--no-robots"});
    EXPECT_EQ(readWholeFile(polite).find("Obey Robots"), std::string::npos);
    EXPECT_NE(readWholeFile(impolite).find("Obey Robots=0"), std::string::npos);
}

TEST_F(TasksCli, CategoriesAndTasksAreCreatedAndTrashed) {
    const std::string alpha = newTask({"http://www.alpha.test/"});
    writeWholeFile(home.path() + "Tasks/General/alpha.dwn", "queue");
    const std::pair<std::vector<std::string>, std::string> creations[] = {
        {{"category", "new"}, "New Folder\n"},
        {{"category", "new"}, "New Folder (2)\n"},
        {{"category", "new", "General"}, "General/New Folder\n"},
    };
    for (const auto& [words, out] : creations) {
        const auto created = runCli(words);
        EXPECT_EQ(created.code, 0) << created.err;
        EXPECT_EQ(created.out, out);
    }
    EXPECT_TRUE(fs::is_directory(home.path() + "Tasks/General/New Folder"));

    const auto deleted = runCli({"task", "delete", "alpha"});
    ASSERT_EQ(deleted.code, 0) << deleted.err;
    EXPECT_FALSE(fs::exists(alpha));
    EXPECT_EQ(readWholeFile(home.path() + "Trash/files/alpha.dwn"), "queue");
    EXPECT_TRUE(fs::exists(home.path() + "Trash/info/alpha.qlt.trashinfo"));

    ASSERT_EQ(runCli({"category", "delete", "New Folder (2)"}).code, 0);
    EXPECT_FALSE(fs::exists(home.path() + "Tasks/New Folder (2)"));
    EXPECT_TRUE(fs::is_directory(home.path() + "Trash/files/New Folder (2)"));
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"category", "delete", ".."},
          {"category", "delete", "General/.."},
          {"category", "delete", "Missing"},
          {"category", "new", "../x"},
          {"category", "rename", "General"},
          {"task", "delete", "nobody"}})
        EXPECT_EQ(runCli(bad).code, 2) << bad[1] << " " << bad[2];
    EXPECT_TRUE(fs::is_directory(home.path() + "Tasks/General"));
}

TEST_F(TasksCli, EveryCommandThatLoadsATaskSaysWhenItsFileCannotBeRead) {
    const std::string folder = home.path() + "Tasks/General/";
    newTask({"http://www.alpha.test/"});
    const std::pair<std::string, std::string> damaged[] = {
        {"empty", ""},
        {"garbage", std::string("\x7f"
                                "ELF\x02\x01\x00\xff\r\n\x13",
                                11)},
        {"other", "[Settings]\r\nURL=http://www.alpha.test/\r\n"},
        {"nourl", "[Task]\r\nTask Name=nourl\r\nURL=\r\nStatus=0\r\n"},
    };
    const std::string noTask = "it is not a task file (it has no [Task] section)";
    const std::string reasons[] = {"the file is empty", noTask, noTask,
                                   "it names no URL to download"};
    for (std::size_t n = 0; n < std::size(damaged); ++n) {
        const auto& [name, content] = damaged[n];
        writeWholeFile(folder + name + ".qlt", content);
        for (const std::vector<std::string>& words : {std::vector<std::string>{"run", name},
                                                      {"task", "show", name},
                                                      {"queue", name},
                                                      {"schedule", name, "--now"},
                                                      {"report", name},
                                                      {"browse", name},
                                                      {"profile", "save", "P", "--from", name},
                                                      {"run", folder + name + ".qlt"}}) {
            const auto refused = runCli(words);
            EXPECT_EQ(refused.code, 2) << name << ": " << words[0];
            EXPECT_EQ(refused.err, "quarlo-cli: cannot read task file " + folder + name +
                                       ".qlt: " + reasons[n] + "\n")
                << words[0];
        }
        EXPECT_EQ(readWholeFile(folder + name + ".qlt"), content) << name;
    }
    // What the program writes stays readable: a plain task, a list task without a start URL,
    // and a minimal file of an older version; a garbage task can still be deleted.
    writeWholeFile(folder + "list.qlt", "[Task]\r\nURL=\r\n[URLs]\r\nURL0=http://b.test/\r\n");
    writeWholeFile(folder + "old.qlt", "[Task]\nURL=http://c.test/\n");
    for (const char* name : {"alpha", "list", "old"}) {
        const auto shown = runCli({"task", "show", name});
        EXPECT_EQ(shown.code, 0) << name << ": " << shown.err;
        EXPECT_EQ(shown.err, "") << name;
    }
    EXPECT_EQ(runCli({"task", "delete", "garbage"}).code, 0);
}

TEST_F(TasksCli, TheTaskAnInstanceIsDownloadingIsNeitherDeletedNorUnscheduled) {
    const std::string busy = newTask({"http://www.alpha.test/", "--category", "Work"});
    quarlo::InstanceLock lock(home.path());
    ASSERT_TRUE(lock.tryAcquire("gui"));
    lock.setCurrentTask(busy);
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"task", "delete", "Work/alpha"},
          {"category", "delete", "Work"},
          {"unschedule", "Work/alpha"}}) {
        const auto refused = runCli(words);
        EXPECT_EQ(refused.code, 2) << words[0];
        EXPECT_NE(refused.err.find("being downloaded by the running instance"), std::string::npos)
            << refused.err;
    }
    EXPECT_TRUE(fs::exists(busy));
    lock.release();
    EXPECT_EQ(runCli({"task", "delete", "Work/alpha"}).code, 0);
    EXPECT_FALSE(fs::exists(busy));
}

TEST_F(TasksCli, BrowsePrintsOrOpensTheSavedStartPage) {
    const std::string site = newTask({"http://www.alpha.test/docs/", "--intranet",
                                      home.path() + "mirror", "--category", "Intranet"});
    const auto notRun = runCli({"browse", "Intranet/alpha"});
    EXPECT_EQ(notRun.code, 2);
    EXPECT_NE(notRun.err.find("This task has not been run"), std::string::npos) << notRun.err;

    const std::string page = startPage(site);
    quarlo::test::makeFile(page, "<p>home</p>");
    const auto printed = runCli({"browse", "Intranet/alpha"});
    EXPECT_EQ(printed.code, 0) << printed.err;
    EXPECT_EQ(printed.out, page + "\n");

    const std::string recorder = home.path() + "open.sh";
    writeWholeFile(recorder, "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened\"\n");
    fs::permissions(recorder, fs::perms::owner_all);
    ::setenv("QUARLO_OPEN_COMMAND", recorder.c_str(), 1);
    const auto opened = runCli({"browse", "Intranet/alpha", "--open"});
    ::setenv("QUARLO_OPEN_COMMAND", "false", 1);
    const auto failed = runCli({"browse", "Intranet/alpha", "--open"});
    ::unsetenv("QUARLO_OPEN_COMMAND");
    EXPECT_EQ(opened.code, 0) << opened.err;
    EXPECT_EQ(readWholeFile(home.path() + "opened"), page);
    EXPECT_EQ(failed.code, 2);

    const std::string zipped = newTask({"http://www.beta.test/", "--zip", home.path() + "b.zip"});
    const auto missing = runCli({"browse", "beta"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("This task has not been run, or its resulting zip file no longer "
                               "exists."),
              std::string::npos)
        << missing.err;
    const std::string inTemp = startPage(zipped);
    const std::string entry = inTemp.substr(inTemp.find("www.beta.test/"));
    ASSERT_TRUE(quarlo::test::craftZip(home.path() + "b.zip", {{entry, "<p>zipped</p>"}}));
    const auto unpacked = runCli({"browse", "beta"});
    EXPECT_EQ(unpacked.code, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out, inTemp + "\n");
    EXPECT_EQ(readWholeFile(inTemp), "<p>zipped</p>");
}

} // namespace
