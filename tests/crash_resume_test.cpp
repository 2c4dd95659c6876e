// quarlo-cli killed with SIGKILL at random moments of a mirror, then resumed with "run" until
// it ends on its own: the copy must hold every file of the site byte for byte, in a folder
// or in a Zip archive, with no temporary file or empty folder left behind, and the queue every
// URL once. With the queue saved every second as well, so that kills fall between many saves.

#include "support/FaultHarness.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <random>
#include <set>
#include <sstream>

using namespace std::chrono_literals;
using namespace quarlo::test;

namespace {

constexpr int kPages = 100;
constexpr int kFilesPerPage = 5; // with the index: 601 files
constexpr const char* kHost = "127.0.0.1/";

// Kills per mode in one run of the suite (scaled down in the sanitizer builds).
const int kKillsPerMode = scaledCount(14, 4);

using Env = std::map<std::string, std::string>;

struct Series {
    int kills = 0;
    int runs = 0;
    int rounds = 0;
    std::size_t compared = 0;
};

// Every file of the site as the copy must hold it: under the host's folder.
std::map<std::string, std::string> expectedCopy(const GeneratedSite& site) {
    std::map<std::string, std::string> expected;
    for (const auto& [path, body] : site.files())
        expected[kHost + path] = body;
    return expected;
}

// The queue's entries as "queue" prints them: how many, and the URLs among them.
struct QueueListing {
    std::size_t entries = 0;
    std::set<std::string> urls;
    std::size_t notDone = 0; // neither saved nor parsed
};

QueueListing queueListing(const std::string& home) {
    QueueListing listing;
    std::istringstream lines(runCliProcess({"queue", "127_0"}, {}, home).out);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');)
            fields.push_back(field);
        if (fields.size() <= 3)
            continue;
        ++listing.entries;
        listing.urls.insert(fields[3]);
        if (fields[1] != "Saved" && fields[1] != "Parsed")
            ++listing.notDone;
    }
    return listing;
}

class CrashResumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        site.setDelay(2ms);
        ASSERT_TRUE(site.start());
        std::cout << "fault seed " << faultSeed() << " (QUARLO_FAULT_SEED repeats it), "
                  << kKillsPerMode << " kills per mode\n";
    }

    // One mirror in a fresh data folder: the get, then "run" again and again, each killed
    // after a random delay, until a run ends on its own. Returns its exit code.
    int mirrorWithKills(const std::vector<std::string>& get, const TempHome& home,
                        std::mt19937& random, Series& series, const Env& env = {}) {
        std::uniform_int_distribution<int> delay(5, 700);
        std::vector<std::string> args = get;
        for (int attempt = 0; attempt < 400; ++attempt) {
            CliProcess cli(args, env, home.path());
            ++series.runs;
            const bool wanted = series.kills < kKillsPerMode;
            if (!wanted || !cli.killAfter(std::chrono::milliseconds(delay(random)))) {
                const int code = cli.wait(120s);
                EXPECT_EQ(code, 0) << cli.out() << cli.err();
                return code;
            }
            ++series.kills;
            // A get killed before it saved its task is tried again.
            if (std::filesystem::exists(home.path() + "Tasks/General/127_0.qlt"))
                args = {"--pause", "0", "run", "127_0"};
        }
        ADD_FAILURE() << "the mirror never ended";
        return -1;
    }

    // A get of the whole site; pages kept as they came (no link conversion, no banner) or
    // converted.
    std::vector<std::string> getArgs(const std::string& where, const std::string& target,
                                     bool keepPages) {
        std::vector<std::string> args{
            "--pause", "0",  "--connections", "4",   "get", site.startUrl(),
            "--depth", "-1", where,           target};
        if (keepPages)
            args.insert(args.end(), {"--no-convert", "--no-ads"});
        return args;
    }

    // Pages are converted here: the killed mirror must give the very pages a clean one gives.
    void killedFolderMirrors(const Env& env) {
        std::mt19937 random(faultSeed() + 2 + env.size());
        std::map<std::string, std::string> reference;
        {
            TempHome home;
            const auto args = getArgs("--intranet", home.path() + "copy/", false);
            ASSERT_EQ(runCliProcess(args, env, home.path()).code, 0);
            reference = filesBelow(home.path() + "copy/");
        }
        ASSERT_EQ(reference.size(), 601u);
        for (const auto& [path, body] : expectedCopy(site)) {
            if (path.ends_with(".bin")) {
                ASSERT_EQ(reference[path], body) << path;
            }
        }
        Series series;
        while (series.kills < kKillsPerMode && series.rounds < 20) {
            ++series.rounds;
            TempHome home;
            const auto args = getArgs("--intranet", home.path() + "copy/", false);
            ASSERT_EQ(mirrorWithKills(args, home, random, series, env), 0);
            const auto copy = filesBelow(home.path() + "copy/");
            const auto wrong = differences(reference, copy);
            EXPECT_TRUE(wrong.empty()) << wrong.size() << " files wrong or missing after "
                                       << series.kills << " kills, first: " << wrong.front();
            series.compared += copy.size();
            const auto litter = litterBelow(home.path() + "copy/");
            EXPECT_TRUE(litter.empty()) << "left in the copy: " << litter.front();
            const QueueListing queue = queueListing(home.path());
            EXPECT_EQ(queue.entries, queue.urls.size()) << "an entry is queued twice";
            EXPECT_EQ(queue.entries, 601u);
            EXPECT_EQ(queue.notDone, 0u);
        }
        std::cout << "folder mode" << (env.empty() ? "" : ", queue saved every second") << ": "
                  << series.kills << " kills survived in " << series.rounds << " mirrors ("
                  << series.runs << " runs), " << series.compared << " files compared\n";
        EXPECT_GE(series.kills, kKillsPerMode);
    }

    GeneratedSite site{kPages, kFilesPerPage, faultSeed()};
};

TEST_F(CrashResumeTest, KilledZipModeMirrorsResumeToAnArchiveOfEveryFile) {
    std::mt19937 random(faultSeed() + 1);
    const auto expected = expectedCopy(site);
    ASSERT_EQ(expected.size(), 601u);
    Series series;
    while (series.kills < kKillsPerMode && series.rounds < 20) {
        ++series.rounds;
        TempHome home;
        const std::string archive = home.path() + "zips/site.zip";
        ASSERT_EQ(mirrorWithKills(getArgs("--zip", archive, true), home, random, series), 0);
        const auto entries = archiveEntries(archive, home.path() + "unzipped/");
        const auto wrong = differences(expected, entries);
        EXPECT_TRUE(wrong.empty()) << wrong.size() << " entries wrong or missing after "
                                   << series.kills << " kills, first: " << wrong.front();
        series.compared += entries.size();
        const auto litter = litterBelow(home.path() + "scratch/");
        EXPECT_TRUE(litter.empty()) << "left in the Temp folder: " << litter.front();
        EXPECT_NE(runCliProcess({"task", "show", "127_0"}, {}, home.path()).out.find("Zipped!"),
                  std::string::npos);
    }
    std::cout << "Zip mode: " << series.kills << " kills survived in " << series.rounds
              << " mirrors (" << series.runs << " runs), " << series.compared
              << " archive entries compared\n";
    EXPECT_GE(series.kills, kKillsPerMode);
}

TEST_F(CrashResumeTest, KilledFolderMirrorsResumeToACopyEqualToAnUninterruptedOne) {
    killedFolderMirrors({});
}

TEST_F(CrashResumeTest, KilledFolderMirrorsSavingTheQueueEverySecondResumeAsWell) {
    killedFolderMirrors({{"QUARLO_CHECKPOINT_SECONDS", "1"}});
}

} // namespace
