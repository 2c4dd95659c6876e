#pragma once

#include "engine/TQLDownloader.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

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
// the cost of all commits stays about linear in the archive's size.
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

private:
    TZipObj* archive();
    bool commitDue() const;
    void commit();

    TQLApp& m_app;
    ZipBrowserModel& m_browser;
    std::string m_archivePath;
    std::chrono::milliseconds m_minInterval{10000};
    int m_sharePercent = 25;
    std::chrono::steady_clock::time_point m_lastCommit;
    int m_commits = 0;
};

// A Zip output with a Zip browser model of its own, for front ends that show no browser.
std::unique_ptr<ZipModeRun> makeZipOutput(TQLApp& app);

// A resumed Zip-mode run: every saved queue entry whose file is neither in the Temp folder
// nor among the archive's entries is put back to status 0, so that it is fetched again.
// Returns how many.
int putBackUnzippedEntries(TQLTask& task, const std::set<std::string>& archiveEntries,
                           const std::string& tempFolder);

} // namespace quarlo
