#include "cli/Cli.h"
#include "cli/SampleSiteServer.h"
#include "platform/InstanceLock.h"
#include "support/CliRunner.h"
#include "support/LoopbackServer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using quarlo::test::LoopbackServer;
using quarlo::test::readWholeFile;
using quarlo::test::runCli;
using quarlo::test::TempHome;

namespace {

std::string body(int i) {
    return std::string(1000 + i * 37, static_cast<char>('a' + i % 26));
}

// A site of numbered files; one of them is missing until `repaired` is set, and every
// request is counted per path.
class FileSite {
public:
    explicit FileSite(int files) : m_files(files) {
        m_server.server().Get(R"(/f(\d+)\.txt)",
                              [this](const httplib::Request& request, httplib::Response& response) {
                                  const int i = std::stoi(request.matches[1]);
                                  {
                                      std::lock_guard lock(m_mutex);
                                      ++m_requests[request.path];
                                  }
                                  if (i == m_missing && !repaired) {
                                      response.status = 404;
                                      return;
                                  }
                                  if (m_stall)
                                      m_server.pause(std::chrono::seconds(3));
                                  response.set_content(body(i), "text/plain");
                              });
        EXPECT_TRUE(m_server.start());
    }

    void writeList(const std::string& file) const {
        std::ofstream out(file);
        for (int i = 0; i < m_files; ++i)
            out << m_server.url("/f" + std::to_string(i) + ".txt") << "\n";
    }
    int requests(const std::string& path) {
        std::lock_guard lock(m_mutex);
        return m_requests[path];
    }
    int totalRequests() {
        std::lock_guard lock(m_mutex);
        int total = 0;
        for (const auto& [path, count] : m_requests)
            total += count;
        return total;
    }
    void stall() { m_stall = true; }
    void unstall() { m_stall = false; }

    std::atomic<bool> repaired{false};

private:
    const int m_files;
    const int m_missing = 3;
    std::atomic<bool> m_stall{false};
    std::mutex m_mutex;
    std::map<std::string, int> m_requests;
    // Last, so that it stops (and its handlers end) before the members they use go.
    LoopbackServer m_server;
};

// Writes the site's list and makes of it the intranet-mode task "127_0", saving to out/.
bool newListTask(const TempHome& home, const FileSite& site) {
    site.writeList(home.path() + "list.txt");
    return runCli({"task", "new", "--url-list", home.path() + "list.txt", "--intranet",
                   home.path() + "out"})
               .code == 0;
}

// quarlo-cli run as a child process, its output caught in files of the folder; the code is
// -1 when it had not ended within the time (it is killed then).
quarlo::test::CliRun runCliProcess(const std::vector<std::string>& words, const std::string& folder,
                                   std::chrono::seconds limit) {
    std::vector<std::string> argv = {QUARLO_CLI_PATH};
    argv.insert(argv.end(), words.begin(), words.end());
    std::vector<char*> args;
    for (std::string& word : argv)
        args.push_back(word.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, (folder + "cli-stdout").c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_addopen(&actions, 2, (folder + "cli-stderr").c_str(),
                                       O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    const int spawned =
        ::posix_spawn(&child, QUARLO_CLI_PATH, &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {-2, "", ""};
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int code = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return {code, readWholeFile(folder + "cli-stdout"), readWholeFile(folder + "cli-stderr")};
}

} // namespace

TEST(CliRun, ListTaskRunsMarksAndResumesOnlyWhatFailed) {
    TempHome home;
    FileSite site(12);
    ASSERT_TRUE(newListTask(home, site));
    const auto first = runCli({"--pause", "0", "--connections", "4", "run", "127_0"});
    EXPECT_EQ(first.code, 1) << first.err; // one file failed
    EXPECT_NE(first.out.find("Starting afresh"), std::string::npos);
    EXPECT_NE(first.out.find("Media 11/12"), std::string::npos) << first.out;
    for (int i : {0, 5, 11})
        EXPECT_EQ(readWholeFile(home.path() + "out/127.0.0.1/f" + std::to_string(i) + ".txt"),
                  body(i));

    const auto queue = runCli({"queue", "127_0"});
    EXPECT_EQ(queue.code, 0);
    EXPECT_NE(queue.out.find("Mark\tStatus\tTitle\tURL"), std::string::npos);
    EXPECT_NE(queue.out.find("error\tError\t\t"), std::string::npos);
    EXPECT_NE(queue.out.find("404 Not Found"), std::string::npos) << queue.out;

    site.repaired = true;
    const auto mark = runCli({"queue", "mark", "127_0", "--download", "--errors"});
    EXPECT_EQ(mark.code, 0) << mark.err;
    EXPECT_EQ(mark.out, "Marked 1 entry.\n");
    const int before = site.totalRequests();
    const auto resumed = runCli({"--pause", "0", "run", "127_0"});
    EXPECT_EQ(resumed.code, 0) << resumed.err;
    EXPECT_NE(resumed.out.find("Resuming"), std::string::npos);
    EXPECT_EQ(site.totalRequests() - before, 1);
    EXPECT_EQ(site.requests("/f3.txt"), 2);
    EXPECT_EQ(readWholeFile(home.path() + "out/127.0.0.1/f3.txt"), body(3));
    EXPECT_NE(runCli({"tasks"}).out.find("Task Complete"), std::string::npos);
}

TEST(CliRun, BadMarkingsAndTasksAreRefused) {
    TempHome home;
    FileSite site(2);
    site.writeList(home.path() + "list.txt");
    ASSERT_EQ(runCli({"task", "new", "--url-list", home.path() + "list.txt"}).code, 0);
    struct Case {
        std::vector<std::string> words;
        std::string message;
    } cases[] = {
        {{"queue", "mark", "127_0", "--map", "--errors"}, "does not go with"},
        {{"queue", "mark", "127_0", "--download"}, "usage"},
        {{"queue", "mark", "127_0", "--download", "--url", "http://elsewhere/"},
         "Not in the queue"},
        {{"run", "nosuch"}, "no task"},
        {{"run", "127_0", "--resume", "--update"}, "give one of"},
    };
    for (const auto& c : cases) {
        const auto result = runCli(c.words);
        EXPECT_EQ(result.code, 2) << c.message;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    std::ofstream(home.path() + "bad.txt") << "http://ok.test/\nftp://no.test/\n";
    const auto bad = runCli({"task", "new", "--url-list", home.path() + "bad.txt"});
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.err.find("bad.txt:2:"), std::string::npos) << bad.err;
}

// A queue entry whose URL holds a carriage return, and a line of garbage: repaired with one
// warning, each fetched once, and the run ends with the failure counted.
TEST(CliRun, ADamagedQueueIsRepairedWithOneWarningAndTheRunEnds) {
    TempHome home;
    FileSite site(2);
    ASSERT_TRUE(newListTask(home, site));
    std::istringstream list(readWholeFile(home.path() + "list.txt"));
    std::string first, second;
    std::getline(list, first);
    std::getline(list, second);
    const std::string sep = "\xC2\xB6";
    const std::string waiting = "0" + sep + sep + "Text" + sep + sep + "0" + sep + "\r\n";
    const std::string queueFile = home.path() + "Tasks/General/127_0.dwn";
    quarlo::test::writeWholeFile(queueFile, first + "?v=\r1\r\n" + waiting + second + "\r\n" +
                                                waiting + "\x01garbage\r\n" + waiting);

    const auto run = runCliProcess({"--pause", "0", "run", "127_0", "--resume"}, home.path(),
                                   std::chrono::seconds(30));
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_EQ(run.err, "quarlo-cli: warning: The queue file " + queueFile +
                           " had 1 damaged line, repaired.\n");
    EXPECT_EQ(site.requests("/f0.txt"), 1);
    EXPECT_EQ(site.requests("/f1.txt"), 1);
    EXPECT_NE(run.out.find("Media 2/3 -> 100%  Errors 1/3 -> 33%"), std::string::npos) << run.out;
    const auto queue = runCli({"queue", "127_0"});
    EXPECT_NE(queue.out.find("?v=%0D1\t"), std::string::npos) << queue.out;
    EXPECT_EQ(queue.err, "") << queue.out;
}

TEST(CliRun, AnotherInstanceHoldingTheDataFolderIsNamed) {
    TempHome home;
    FileSite site(1);
    site.writeList(home.path() + "list.txt");
    ASSERT_EQ(runCli({"task", "new", "--url-list", home.path() + "list.txt"}).code, 0);
    pid_t child = ::fork();
    if (child == 0) {
        quarlo::InstanceLock lock(home.path());
        if (!lock.tryAcquire("gui"))
            ::_exit(3);
        ::pause();
        ::_exit(0);
    }
    // Wait until the child holds the lock.
    for (int i = 0; i < 200 && !quarlo::InstanceLock::currentHolder(home.path()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto refused = runCli({"run", "127_0"});
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.err.find("gui, pid " + std::to_string(child)), std::string::npos)
        << refused.err;
}

TEST(CliRun, InterruptStopsTheRunAndResumeFinishesIt) {
    TempHome home;
    FileSite site(6);
    site.writeList(home.path() + "list.txt");
    site.repaired = true;
    ASSERT_EQ(runCli({"task", "new", "--url-list", home.path() + "list.txt", "--intranet",
                      home.path() + "out"})
                  .code,
              0);
    site.stall();
    pid_t child = ::fork();
    if (child == 0) {
        ::execl(QUARLO_CLI_PATH, QUARLO_CLI_PATH, "--pause", "0", "run", "127_0",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Let the transfers start and stall, then press Ctrl-C.
    for (int i = 0; i < 500 && site.totalRequests() < 5; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(child, SIGINT);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    // Not through "tasks": listing a category settles stopped downloads as "Incomplete".
    EXPECT_NE(runCli({"task", "show", "127_0"}).out.find("Download Stopped"), std::string::npos);
    const auto queue = runCli({"queue", "127_0"}).out;
    EXPECT_NE(queue.find("Transfer Incomplete"), std::string::npos) << queue;
    EXPECT_EQ(queue.find("\tDownloading\t"), std::string::npos);

    // No more stalling: the resumed run fetches what was not saved.
    site.unstall();
    const auto resumed = runCli({"--pause", "0", "run", "127_0"});
    EXPECT_EQ(resumed.code, 0) << resumed.err;
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(readWholeFile(home.path() + "out/127.0.0.1/f" + std::to_string(i) + ".txt"),
                  body(i));
}

TEST(CliMirror, DemoMirrorsTheSampleSite) {
    TempHome home;
    const auto demo = runCli({"--pause", "0", "demo"});
    EXPECT_EQ(demo.code, 0) << demo.err;
    const std::string marker = "The copy of \"127_0\" is in ";
    const auto at = demo.out.find(marker);
    ASSERT_NE(at, std::string::npos) << demo.out;
    const std::string start =
        demo.out.substr(at + marker.size(), demo.out.find('\n', at) - at - marker.size());
    EXPECT_EQ(start.rfind(home.path() + "demo/", 0), 0u) << start;
    EXPECT_NE(readWholeFile(start).find("<"), std::string::npos);
    EXPECT_NE(runCli({"tasks"}).out.find("Task Complete"), std::string::npos);
}

// Plain output gets a progress line every few seconds; a run that ends between two still ends
// with a line of its final figures, not the last one shown while it ran.
TEST(CliMirror, PlainOutputEndsWithTheRunsFinalFigures) {
    TempHome home;
    quarlo::cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    ASSERT_TRUE(site.start());
    // Paced, so that the run outlasts the first progress line but not the next one.
    const auto get = runCli(
        {"--pause", "60", "get", site.rootUrl(), "--intranet", home.path() + "copy", "--no-ads"});
    ASSERT_EQ(get.code, 0) << get.err;
    // The end's beep may stand before the last line.
    const std::size_t last = get.out.rfind("Pages ");
    ASSERT_NE(last, std::string::npos) << get.out;
    const std::string line = get.out.substr(last, get.out.find('\n', last) - last);
    // "Pages 18/18 -> 100%  Media 6/6 -> 100%  Errors 0/24 -> 0%  ..."
    const std::regex finalFigures(
        R"(Pages (\d+)/(\d+) -> 100%  Media (\d+)/(\d+) -> 100%  Errors 0/.*)");
    std::smatch figures;
    ASSERT_TRUE(std::regex_match(line, figures, finalFigures)) << get.out;
    EXPECT_EQ(figures[1], figures[2]) << line;
    EXPECT_EQ(figures[3], figures[4]) << line;
    EXPECT_NE(figures[1], "1") << line;
    // The line comes once: the end of a run does not repeat a line already shown.
    EXPECT_EQ(get.out.find(line), last) << get.out;
}

TEST(CliMirror, GetAppliesItsOptionsToTheTaskOnly) {
    TempHome home;
    quarlo::cli::SampleSiteServer site(QUARLO_SOURCE_DATA "/sample-site");
    ASSERT_TRUE(site.start());
    ASSERT_EQ(runCli({"profile", "save", "Everything", "--depth", "-1"}).code, 0);
    const auto get =
        runCli({"--pause", "0", "get", site.rootUrl(), "--profile", "Everything", "--depth", "0",
                "--types", ".html", "--intranet", home.path() + "copy", "--no-ads"});
    EXPECT_EQ(get.code, 0) << get.err;
    EXPECT_NE(get.out.find("The copy of"), std::string::npos) << get.out;
    // Depth 0 and pages only: the start page alone.
    EXPECT_NE(get.out.find("Pages 1/1"), std::string::npos) << get.out;
    EXPECT_NE(get.out.find("Media 0/0"), std::string::npos) << get.out;
    EXPECT_NE(runCli({"profile", "show", "Everything"}).out.find("Depth: -1"), std::string::npos);
    const auto task = runCli({"task", "show", "127_0"}).out;
    EXPECT_NE(task.find("Profile Name: \n"), std::string::npos) << task;
    EXPECT_NE(task.find("Depth: 0"), std::string::npos);
    EXPECT_EQ(runCli({"settings", "get", "No Ads"}).out, "1\n");
    EXPECT_EQ(runCli({"get", "ftp://x/"}).code, 2);
}
