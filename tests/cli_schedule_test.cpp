#include "cli/Cli.h"
#include "platform/InstanceLock.h"
#include "support/CliRunner.h"
#include "support/SiteServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using quarlo::test::CliRun;
using quarlo::test::readWholeFile;
using quarlo::test::runCli;
using quarlo::test::SiteServer;
using quarlo::test::TempHome;
using quarlo::test::writeWholeFile;

namespace {

// The value of a key of a task file's "Task" section.
std::string taskValue(const std::string& file, const std::string& key) {
    std::istringstream lines(readWholeFile(file));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return "<missing>";
}

// A data folder with list tasks of the loopback site's files, saving under out/.
class ScheduleCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(site.start()); }

    // Creates a task for files first..last; returns its task file.
    std::string newTask(int first, int last) {
        std::string list;
        for (int n = first; n <= last; ++n)
            list += site.fileUrl(n) + "\n";
        const std::string listFile = home.path() + "list" + std::to_string(first) + ".txt";
        writeWholeFile(listFile, list);
        const auto created =
            runCli({"task", "new", "--url-list", listFile, "--intranet", home.path() + "out"});
        EXPECT_EQ(created.code, 0) << created.err;
        const auto colon = created.out.rfind(": ");
        return created.out.substr(colon + 2, created.out.size() - colon - 3);
    }
    std::string activeList() { return readWholeFile(home.path() + "Tasks/ActiveTasks.lst"); }
    bool listed(const std::string& task) { return activeList().find(task) != std::string::npos; }
    // Waits until the task file shows the status.
    bool waitForStatus(const std::string& task, const std::string& status) {
        for (int i = 0; i < 1000; ++i) {
            if (taskValue(task, "Status") == status)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // A scheduler in a process of its own, its output in the file.
    pid_t startScheduler(const std::string& output) {
        const pid_t child = ::fork();
        if (child == 0) {
            const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execl(QUARLO_CLI_PATH, QUARLO_CLI_PATH, "--pause", "0", "scheduler",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return child;
    }

    TempHome home;
    SiteServer site;
};

TEST_F(ScheduleCli, EachKindIsStoredAndUnscheduleClearsIt) {
    const std::string task = newTask(1, 1);
    struct Case {
        std::vector<std::string> words;
        std::string description;
        std::string nextRun; // empty: not checked
    } cases[] = {
        {{"--at", "03/07/30 10:00:00"}, "Once at 03/7/30  10:00:00", "03/07/2030 10:00:00"},
        {{"--at", "12/31/2029"}, "Once at 12/31/29  00:00:00", "12/31/2029 00:00:00"},
        {{"--every", "1:30"}, "Every 1 hours, 30 mins", ""},
        {{"--daily", "10:00:00"}, "Daily at 10:00:00", ""},
        {{"--weekly", "fri,Mon@7:05"}, "Weekly every Mon, Fri at 07:05:00", ""},
        {{"--now"}, "Now", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = {"schedule", "127_0"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        const auto scheduled = runCli(words);
        EXPECT_EQ(scheduled.code, 0) << scheduled.err;
        EXPECT_NE(scheduled.out.find("scheduled: " + c.description), std::string::npos)
            << scheduled.out;
        EXPECT_EQ(taskValue(task, "Status"), "1") << c.description;
        EXPECT_EQ(taskValue(task, "Schedule"), c.description);
        if (!c.nextRun.empty()) {
            EXPECT_EQ(taskValue(task, "Next Run"), c.nextRun);
            EXPECT_NE(scheduled.out.find("Next run: " + c.nextRun), std::string::npos);
        }
        EXPECT_TRUE(listed(task)) << c.description;

        const auto unscheduled = runCli({"unschedule", "127_0"});
        EXPECT_EQ(unscheduled.code, 0) << unscheduled.err;
        EXPECT_EQ(taskValue(task, "Status"), "0");
        EXPECT_EQ(taskValue(task, "Schedule"), "");
        EXPECT_EQ(taskValue(task, "Next Run"), "");
        EXPECT_FALSE(listed(task)) << c.description;
    }
}

TEST_F(ScheduleCli, BadSchedulesAreRefusedAndLeaveTheTaskAlone) {
    const std::string task = newTask(1, 1);
    struct Case {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"127_0"}, "usage: schedule"},
        {{"127_0", "--now", "--daily", "10:00:00"}, "usage: schedule"},
        {{"--now"}, "usage: schedule"},
        {{"127_0", "--every", "24:00"}, "hours 0-23"},
        {{"127_0", "--every", "1:60"}, "minutes 0-59"},
        {{"127_0", "--every", "x:1"}, "not an interval"},
        {{"127_0", "--every", "90"}, "not an interval"},
        {{"127_0", "--daily", "25:00:00"}, "not a time of day"},
        {{"127_0", "--daily", "10"}, "not a time of day"},
        {{"127_0", "--daily", "10:00:00:00"}, "not a time of day"},
        {{"127_0", "--weekly", "Mon,Fri"}, "DAYS@hh:mm:ss"},
        {{"127_0", "--weekly", "Mon,Fry@10:00:00"}, "\"fry\" is not a day"},
        {{"127_0", "--weekly", "@10:00:00"}, "at least one day"},
        {{"127_0", "--weekly", "Mon@"}, "not a time of day"},
        {{"127_0", "--at", "13/45/25 10:00:00"}, "not a date and time"},
        {{"127_0", "--at", ""}, "not a date and time"},
        {{"127_0", "--at"}, "needs a value"},
        {{"127_0", "--now", "--restart", "--update"}, "give one of"},
        {{"nosuch", "--now"}, "no task"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words = {"schedule"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        const auto result = runCli(words);
        EXPECT_EQ(result.code, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.message << ": " << result.err;
    }
    EXPECT_EQ(runCli({"unschedule"}).code, 2);
    EXPECT_EQ(taskValue(task, "Status"), "0");
    EXPECT_EQ(taskValue(task, "Schedule"), "");
    EXPECT_FALSE(listed(task));
}

TEST_F(ScheduleCli, NowResumesAQueueUnlessAskedOtherwise) {
    const std::string task = newTask(1, 1);
    const std::string queue = task.substr(0, task.size() - 4) + ".dwn";
    struct Case {
        bool queue;
        std::vector<std::string> flags;
        std::string method;
        std::string shown;
    } cases[] = {
        {false, {}, "0", "Now (Restart)"},
        {false, {"--update"}, "0", "no queue yet"},
        {true, {}, "1", "Now (Resume)"},
        {true, {"--restart"}, "0", "Now (Restart)"},
        {true, {"--update"}, "2", "Now (SmartUpdate)"},
        {true, {"--recover"}, "3", "Now (SmartRecovery)"},
        // With another kind, a flag is stored for the scheduled runs.
        {false, {"--daily", "10:00:00", "--update"}, "2", "Daily at 10:00:00"},
    };
    for (const Case& c : cases) {
        if (c.queue)
            writeWholeFile(queue, "queued\r\n");
        else
            ::unlink(queue.c_str());
        std::vector<std::string> words = {"schedule", "127_0"};
        words.insert(words.end(), c.flags.begin(), c.flags.end());
        if (c.flags.empty() || c.flags[0] != "--daily")
            words.push_back("--now");
        const auto result = runCli(words);
        EXPECT_EQ(result.code, 0) << result.err;
        EXPECT_NE(result.out.find(c.shown), std::string::npos) << result.out;
        EXPECT_EQ(taskValue(task, "Run Method"), c.method) << c.shown;
    }
}

TEST_F(ScheduleCli, TheTaskAnInstanceIsDownloadingIsLeftAlone) {
    const std::string busy = newTask(1, 1);
    newTask(2, 2); // "127_0(0)"
    ASSERT_EQ(runCli({"schedule", "127_0", "--daily", "10:00:00"}).code, 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        quarlo::InstanceLock lock(home.path());
        if (!lock.tryAcquire("cli"))
            ::_exit(3);
        lock.setCurrentTask(busy);
        (void)!::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const CliRun refused[] = {
        runCli({"schedule", "127_0", "--now"}),
        runCli({"schedule", "127_0", "--every", "0:5"}),
        runCli({"unschedule", "127_0"}),
    };
    const auto other = runCli({"schedule", "127_0(0)", "--now"});
    const auto scheduler = runCli({"scheduler", "--until-idle"});
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    for (const auto& result : refused) {
        EXPECT_EQ(result.code, 2);
        EXPECT_NE(result.err.find("is being downloaded by the running instance (process " +
                                  std::to_string(child)),
                  std::string::npos)
            << result.err;
    }
    EXPECT_EQ(taskValue(busy, "Schedule"), "Daily at 10:00:00");
    EXPECT_EQ(other.code, 0) << other.err;
    EXPECT_EQ(scheduler.code, 2);
    EXPECT_NE(scheduler.err.find("cli, pid " + std::to_string(child)), std::string::npos)
        << scheduler.err;
}

TEST_F(ScheduleCli, UntilIdleRunsTwoNowTasksOneAfterTheOther) {
    const std::string first = newTask(1, 3);
    const std::string second = newTask(4, 5);
    ASSERT_EQ(runCli({"schedule", "127_0", "--now"}).code, 0);
    ASSERT_EQ(runCli({"schedule", "127_0(0)", "--now"}).code, 0);

    const auto result = runCli({"--pause", "0", "scheduler", "--until-idle"});
    EXPECT_EQ(result.code, 0) << result.err;
    const std::string& out = result.out;
    const std::size_t marks[] = {
        out.find("Started \"127_0\""),
        out.find("\"127_0\" ended: Task Complete"),
        out.find("Started \"127_0(0)\""),
        out.find("\"127_0(0)\" ended: Task Complete"),
    };
    for (std::size_t i = 0; i < 4; ++i) {
        ASSERT_NE(marks[i], std::string::npos) << out;
        if (i > 0) {
            EXPECT_LT(marks[i - 1], marks[i]) << out;
        }
    }
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(site.requests(n), 1);
    EXPECT_EQ(taskValue(first, "Status"), "7");
    EXPECT_EQ(taskValue(second, "Schedule"), "");
    EXPECT_EQ(activeList(), "");
}

TEST_F(ScheduleCli, AKilledSchedulersRunIsResetAtTheNextStartAndResumes) {
    const std::string task = newTask(1, 3);
    site.hold(2);
    ASSERT_EQ(runCli({"schedule", "127_0", "--now"}).code, 0);
    const pid_t child = startScheduler(home.path() + "first.log");
    ASSERT_TRUE(waitForStatus(task, "2")) << readWholeFile(home.path() + "first.log");
    for (int i = 0; i < 500 && site.requests(2) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(taskValue(task, "Status"), "2");

    // The next instance resets the interrupted run and does not start it by itself.
    const auto reset = runCli({"scheduler", "--until-idle"});
    EXPECT_EQ(reset.code, 0) << reset.err;
    EXPECT_EQ(reset.out.find("Started"), std::string::npos) << reset.out;
    EXPECT_EQ(taskValue(task, "Status"), "0");
    EXPECT_EQ(taskValue(task, "Schedule"), "");
    EXPECT_FALSE(listed(task));

    site.releaseAll();
    const auto again = runCli({"schedule", "127_0", "--now"});
    EXPECT_NE(again.out.find("Now (Resume)"), std::string::npos) << again.out;
    const auto resumed = runCli({"--pause", "0", "scheduler", "--until-idle"});
    EXPECT_EQ(resumed.code, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("\"127_0\" ended: Task Complete"), std::string::npos) << resumed.out;
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(readWholeFile(home.path() + "out/127.0.0.1/files/" + std::to_string(n) + ".dat"),
                  SiteServer::body(n))
            << n;
}

TEST_F(ScheduleCli, ASignalStopsTheRunAndNamesTheCommandThatResumesIt) {
    const std::string task = newTask(1, 2);
    site.hold(2);
    ASSERT_EQ(runCli({"schedule", "127_0", "--now"}).code, 0);
    const std::string log = home.path() + "scheduler.log";
    const pid_t child = startScheduler(log);
    ASSERT_TRUE(waitForStatus(task, "2")) << readWholeFile(log);
    for (int i = 0; i < 500 && site.requests(2) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(child, SIGTERM);
    int status = 0;
    ::waitpid(child, &status, 0);
    site.releaseAll();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const std::string out = readWholeFile(log);
    EXPECT_NE(out.find("\"127_0\" ended: Download Stopped"), std::string::npos) << out;
    EXPECT_NE(out.find("'quarlo-cli schedule \"General/127_0\" --now'"), std::string::npos) << out;
    EXPECT_EQ(taskValue(task, "Status"), "3");
    EXPECT_FALSE(listed(task));
}

} // namespace
