#pragma once

#include "archive/ZipRecovery.h"
#include "engine/TQLDownloader.h"
#include "model/TQLQItem.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarlo {

class TQLApp;
class TQLTask;
class ZipBrowserModel;
struct TZipObj;

// The Zip output of runs: the task's archive opened in the Zip browser at the start, the zip
// list drained on every tick of the zip timer, and the archive renamed after the start
// page's title at completion. libzip rewrites the whole archive at each commit, so a tick
// only stages what the list holds; the staged files are committed once the download is
// complete and the list drained, at the end of the run (stopped or finished), and during a
// run only when enough time has passed and they make up a good share of the archive, so
// the cost of all commits stays about linear in the archive's size. Before the final commit
// the run's recorded links are repaired (see LinkRepair.h): the pages they correct replace
// their entries in that commit.
//
// Nothing is lost on the way: a resumed run accounts for every entry against the Temp
// folder and the archive (see accountForZipEntries); files that a commit did not write go
// back to status 0 to be fetched again (a commit that fails for the archive's sake is the
// run's output failure); and once the download is complete, the archive is checked against
// the queue and what it lacks is added again or fetched again.
class ZipOutput : public ZipModeRun {
public:
    ZipOutput(TQLApp& app, ZipBrowserModel& browser);

    Status startRun(TQLTask& task) override;
    bool tick(TQLTask& task) override;
    void endRun(TQLTask& task) override;
    void completed(TQLTask& task) override;

    // A commit during a run waits at least this long after the previous one, and for staged
    // bytes of at least this share (in percent) of the archive's size.
    void setCommitPolicy(std::chrono::milliseconds minInterval, int sharePercent);
    // Archive writes since the run started.
    int commits() const { return m_commits; }
    const std::string& archivePath() const { return m_archivePath; }
    // What the start of the latest run found.
    const ZipAccount& startAccount() const { return m_startAccount; }

private:
    TZipObj* archive();
    bool commitDue() const;
    void stage(std::vector<ZipListEntry> taken);
    void commit(TQLTask& task);
    void finalCommit(TQLTask& task);
    void repairLinks(TQLTask& task);
    void checkArchive(TQLTask& task);

    TQLApp& m_app;
    ZipBrowserModel& m_browser;
    std::string m_archivePath;
    std::chrono::milliseconds m_minInterval{10000};
    int m_sharePercent = 25;
    std::chrono::steady_clock::time_point m_lastCommit;
    int m_commits = 0;
    // Staged and not yet committed: the files and their items.
    std::vector<ZipListEntry> m_staged;
    ZipAccount m_startAccount;
    bool m_checked = false; // the complete download's archive has been checked
    int m_checkRounds = 0;
};

// A Zip output with a Zip browser model of its own, for front ends that show no browser.
std::unique_ptr<ZipModeRun> makeZipOutput(TQLApp& app);

} // namespace quarlo
