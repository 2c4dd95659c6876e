// quarlo-cli on a disk that fills up or turns read-only in the middle of a run (its writes made
// to fail through QUARLO_FAULT_WRITES, and, as root, on a real tmpfs that is full), and on
// task files that are damaged: the run ends "Incomplete" with exit code 3 and never claims
// success, what was on disk before is never replaced with less, and once the disk can be
// written again a new run completes the copy.

#include "support/FaultHarness.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>

using namespace std::chrono_literals;
using namespace quarlo::test;
namespace fs = std::filesystem;

namespace {

constexpr int kPages = 100;
constexpr int kFilesPerPage = 5;
constexpr const char* kHost = "127.0.0.1/";
constexpr const char* kTaskFile = "Tasks/General/127_0.qlt";

struct Fault {
    bool zip;
    const char* error;
    bool once; // one write fails (a passing fault) rather than every one from then on
};

// Every queued URL with its status name, as "queue" prints them.
std::map<std::string, std::string> queueOf(const std::string& home) {
    const CliResult listed = runCliProcess({"queue", "127_0"}, {}, home);
    std::map<std::string, std::string> statuses;
    std::istringstream lines(listed.out);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');)
            fields.push_back(field);
        if (fields.size() > 3)
            statuses[fields[3]] = fields[1];
    }
    return statuses;
}

bool done(const std::string& status) {
    return status == "Saved" || status == "Parsed";
}

// The figures quarlo-cli gives at its end when writes are made to fail.
std::uint64_t failedWrites(const std::string& err) {
    const std::size_t at = err.find(" writes, ");
    return at == std::string::npos ? 0 : std::stoull(err.substr(at + 9));
}

std::uint64_t countedWrites(const std::string& err) {
    const std::size_t at = err.find("write faults: ");
    return at == std::string::npos ? 0 : std::stoull(err.substr(at + 14));
}

class WriteFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        site.setDelay(1ms);
        ASSERT_TRUE(site.start());
        for (const auto& [path, body] : site.files())
            expected[kHost + path] = body;
        std::cout << "fault seed " << faultSeed() << " (QUARLO_FAULT_SEED repeats it)\n";
    }

    std::vector<std::string> getArgs(bool zip, const std::string& home) {
        std::vector<std::string> args{
            "--pause", "0",  "--connections", "4",       "get", site.startUrl(),
            "--depth", "-1", "--no-convert",  "--no-ads"};
        args.insert(args.end(), {zip ? "--zip" : "--intranet", target(zip, home)});
        return args;
    }
    static std::string target(bool zip, const std::string& home) {
        return zip ? home + "zips/site.zip" : home + "copy/";
    }
    // The copy as it is now, archive or folder.
    std::map<std::string, std::string> copyOf(bool zip, const std::string& home) {
        return zip ? archiveEntries(target(true, home), home + "unzipped/")
                   : filesBelow(target(false, home));
    }
    // The get, killed once the site has answered a quarter of its files: a task with part of
    // its queue done, and about as much left to do each time.
    // The copy goes below `where`; the task lies in the data folder.
    void partialMirror(bool zip, const std::string& where, const std::string& dataFolder) {
        const int until = site.requests() + static_cast<int>(site.files().size()) / 4;
        CliProcess get(getArgs(zip, where), {}, where);
        ASSERT_TRUE(get.killWhen([&] { return site.requests() >= until; }, 30s));
        ASSERT_TRUE(fs::exists(dataFolder + kTaskFile));
    }
    // Ends with a run that may write again: it completes the copy, equal to the site.
    void expectCompletedAfterwards(bool zip, const std::string& home) {
        const CliResult run = runCliProcess({"--pause", "0", "run", "127_0"}, {}, home);
        EXPECT_EQ(run.code, 0) << run.out << run.err;
        const auto wrong = differences(expected, copyOf(zip, home));
        EXPECT_TRUE(wrong.empty()) << wrong.size() << " files wrong, first " << wrong.front();
        compared += expected.size();
    }

    GeneratedSite site{kPages, kFilesPerPage, faultSeed()};
    std::map<std::string, std::string> expected;
    std::size_t compared = 0;
};

// Writes fail from a random one on (or only that one), with ENOSPC or EROFS, while a task
// that was killed half way resumes, in Zip and in folder mode.
TEST_F(WriteFaultTest, AFailingDiskEndsTheRunIncompleteAndLosesNothing) {
    const Fault faults[] = {{true, "ENOSPC", false},
                            {false, "EROFS", false},
                            {true, "EROFS", true},
                            {false, "ENOSPC", true}};
    // How many writes a resumed run makes, to aim the faults into it.
    std::map<bool, std::uint64_t> writes;
    for (bool zip : {true, false}) {
        TempHome home;
        partialMirror(zip, home.path(), home.path());
        const CliResult run = runCliProcess(
            {"run", "127_0"}, {{"QUARLO_FAULT_WRITES", "999999999:EIO"}}, home.path());
        ASSERT_EQ(run.code, 0) << run.err;
        writes[zip] = countedWrites(run.err);
        ASSERT_GT(writes[zip], 10u) << run.err;
    }
    std::mt19937 random(faultSeed() + 3);
    const int cases = scaledCount(8, 4);
    int injected = 0;
    for (int n = 0; n < cases; ++n) {
        const Fault& fault = faults[n % 4];
        // Aimed at the first two thirds: a run may have less to do than the measured one.
        const std::uint64_t nth = 1 + random() % (writes[fault.zip] * 2 / 3);
        const std::string setting =
            std::to_string(nth) + ":" + fault.error + (fault.once ? ":1" : "");
        SCOPED_TRACE(std::string(fault.zip ? "Zip mode, " : "folder mode, ") + setting);
        TempHome home;
        partialMirror(fault.zip, home.path(), home.path());
        const auto before = queueOf(home.path());
        // No global options: the settings the get stored are not written again.
        const CliResult failing =
            runCliProcess({"run", "127_0"}, {{"QUARLO_FAULT_WRITES", setting}}, home.path());
        // A fault may miss the run: it needed fewer writes, or only the reset of the killed
        // run at the start could not be saved (which is a warning).
        const bool missed =
            failedWrites(failing.err) == 0 ||
            (fault.once && failing.err.find("warning: Unable to write") != std::string::npos);
        if (missed) {
            EXPECT_EQ(failing.code, 0) << failing.out << failing.err;
        } else {
            ++injected;
            EXPECT_EQ(failing.code, 3) << failing.out << failing.err;
            EXPECT_EQ(failing.out.find("Download completed"), std::string::npos) << failing.out;
            EXPECT_NE(failing.out.find("Incomplete"), std::string::npos) << failing.out;
            EXPECT_NE(failing.err.find("could not be written"), std::string::npos) << failing.err;
            if (fault.once) {
                EXPECT_NE(runCliProcess({"task", "show", "127_0"}, {}, home.path())
                              .out.find("Incomplete"),
                          std::string::npos);
            }
        }
        // Every entry queued before is still queued; a folder copy's saved files stay saved
        // (a Zip-mode entry whose file did not reach the archive is fetched again).
        const auto after = queueOf(home.path());
        EXPECT_GE(after.size(), before.size());
        for (const auto& [url, status] : before) {
            ASSERT_EQ(after.count(url), 1u) << url << " was lost";
            if (!fault.zip && done(status)) {
                EXPECT_TRUE(done(after.at(url)))
                    << url << " went from " << status << " to " << after.at(url);
            }
        }
        expectCompletedAfterwards(fault.zip, home.path());
    }
    std::cout << injected << " of " << cases << " runs failed by injected write faults; "
              << compared << " files compared afterwards\n";
    EXPECT_GT(injected, 0);
}

// Files are written without a flush of their own; the queue that records them as saved is
// only written after the destination was flushed. A flush that fails (as a disk that cannot
// write back what it holds) fails that save and the run, and the saved queue stays as it was.
TEST_F(WriteFaultTest, AFailingFlushFailsTheSaveAndTheRun) {
    for (bool zip : {false, true}) {
        SCOPED_TRACE(zip ? "Zip mode" : "folder mode");
        TempHome home;
        partialMirror(zip, home.path(), home.path());
        const auto before = queueOf(home.path());
        const std::string savedQueue = readWholeFile(home.path() + "Tasks/General/127_0.dwn");
        const CliResult failing = runCliProcess({"--pause", "0", "run", "127_0"},
                                                {{"QUARLO_FAULT_FLUSH", "1:EIO"}}, home.path());
        EXPECT_EQ(failing.code, 3) << failing.out << failing.err;
        EXPECT_EQ(failing.out.find("Download completed"), std::string::npos) << failing.out;
        EXPECT_NE(failing.err.find("Unable to flush"), std::string::npos) << failing.err;
        EXPECT_NE(runCliProcess({"task", "show", "127_0"}, {}, home.path()).out.find("Incomplete"),
                  std::string::npos);
        EXPECT_EQ(readWholeFile(home.path() + "Tasks/General/127_0.dwn"), savedQueue);
        const auto after = queueOf(home.path());
        for (const auto& [url, status] : before)
            EXPECT_EQ(after.count(url), 1u) << url << " was lost";
        expectCompletedAfterwards(zip, home.path());
    }
}

// As root, where tmpfs can be mounted: a Zip destination without room, then with room.
TEST_F(WriteFaultTest, AFullZipDestinationEndsIncompleteAndTheArchiveIsMadeOnceThereIsRoom) {
    TempHome home;
    TmpfsMount disk(home.path() + "zips", "1m");
    if (!disk.mounted())
        GTEST_SKIP() << "needs root and a tmpfs mount: a real full disk is not tried";
    const CliResult full = runCliProcess(getArgs(true, home.path()), {}, home.path());
    EXPECT_EQ(full.code, 3) << full.out << full.err;
    EXPECT_EQ(full.out.find("Download completed"), std::string::npos) << full.out;
    EXPECT_EQ(full.out.find("The copy of"), std::string::npos) << full.out;
    EXPECT_NE(full.err.find("could not be written"), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("zips/site.zip"), std::string::npos) << full.err;
    EXPECT_NE(runCliProcess({"task", "show", "127_0"}, {}, home.path()).out.find("Incomplete"),
              std::string::npos);
    ASSERT_TRUE(disk.resize("64m"));
    expectCompletedAfterwards(true, home.path());
}

// As root: the data folder (task, queue and journal) on a tmpfs that is all but full. The
// queue on disk never ends up shorter than it was, and a run after space was freed ends it.
TEST_F(WriteFaultTest, AFullDataFolderNeverLeavesAShorterQueue) {
    TempDir outside;
    TempHome home;
    TmpfsMount disk(home.path(), "32m");
    if (!disk.mounted())
        GTEST_SKIP() << "needs root and a tmpfs mount: a real full disk is not tried";
    partialMirror(false, outside.path(), home.path());
    const auto before = queueOf(home.path());
    ASSERT_FALSE(before.empty());
    disk.fill(4096);
    const CliResult full = runCliProcess({"--pause", "0", "run", "127_0"}, {}, outside.path());
    EXPECT_EQ(full.code, 3) << full.out << full.err;
    EXPECT_EQ(full.out.find("Download completed"), std::string::npos) << full.out;
    fs::remove(home.path() + "filler");
    const auto after = queueOf(home.path());
    EXPECT_GE(after.size(), before.size());
    for (const auto& [url, status] : before)
        EXPECT_EQ(after.count(url), 1u) << url << " was lost";
    expectCompletedAfterwards(false, outside.path());
}

// A damaged task file is refused without a word of success, and the task's queue and
// archive stay as they were; the repaired file runs again.
TEST_F(WriteFaultTest, ADamagedTaskFileIsRefusedAndTouchesNothing) {
    TempHome home;
    ASSERT_EQ(runCliProcess(getArgs(true, home.path()), {}, home.path()).code, 0);
    const std::string taskFile = home.path() + kTaskFile;
    const std::string queueFile = home.path() + "Tasks/General/127_0.dwn";
    const std::string archive = target(true, home.path());
    const std::string task = readWholeFile(taskFile);
    const std::string queue = readWholeFile(queueFile);
    const std::string zipped = readWholeFile(archive);
    std::mt19937 random(faultSeed() + 4);
    std::string garbage(task.size(), '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    for (const std::string& damaged : {std::string(), garbage, task.substr(0, task.find('\n'))}) {
        writeWholeFile(taskFile, damaged);
        const CliResult run = runCliProcess({"--pause", "0", "run", "127_0"}, {}, home.path());
        EXPECT_NE(run.code, 0) << run.out;
        EXPECT_GT(run.code, 0) << "ended by a signal";
        EXPECT_EQ(run.out.find("Download completed"), std::string::npos) << run.out;
        EXPECT_EQ(readWholeFile(queueFile), queue);
        EXPECT_EQ(readWholeFile(archive), zipped);
    }
    writeWholeFile(taskFile, task);
    expectCompletedAfterwards(true, home.path());
}

} // namespace
