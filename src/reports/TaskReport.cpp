#include "reports/TaskReport.h"

#include "html/FileTypes.h"
#include "html/LocalNames.h"
#include "model/TQLApp.h"
#include "model/TQLTask.h"
#include "model/TaskQueue.h"
#include "platform/FileUtil.h"
#include "reports/IndexPages.h"
#include "reports/ReportTexts.h"
#include "reports/SummaryPage.h"

#include <cerrno>

#include <cmath>

namespace quarlo {

namespace {

constexpr const char* kSkinImages[] = {"html.gif", "images.gif", "www.gif", "diamond.gif",
                                       "qlbackground.jpg"};

TaskBlockData taskBlockData(const TQLTask& task) {
    const TaskCounters& counters = task.counters();
    TaskBlockData data;
    data.startLocalFile = task.startPageLocalFile();
    data.startTitle = task.startPageTitle();
    data.startUrl = task.url();
    data.lastRun = formatTaskDate(task.lastRun());
    data.totalBytes = counters.BytesDownloaded;
    data.totalFiles = counters.PagesFound + counters.ResourcesFound;
    return data;
}

SummaryCounts summaryCounts(const TQLTask& task) {
    const TaskCounters& counters = task.counters();
    return {counters.PagesSaved,     counters.PageErrors,     counters.PagesFound,
            counters.ResourcesSaved, counters.ResourceErrors, counters.ResourcesFound};
}

Status writePage(const std::string& path, std::string_view text) {
    return writeFileAtomic(path, text, 0644);
}

// The queue file as it stands on disk, with the changes journaled after its last save.
// Only read: the task's own queue and the files stay as they are.
Status loadQueueFile(const TQLTask& task, const FileTypes& types, TaskQueue& queue) {
    if (task.filePath().empty())
        return {};
    auto typeOf = [&types](std::string_view url) { return types.URLFileType(url); };
    Result<QueueLoadReport> loaded = queue.loadFile(task.queueFilePath(), typeOf);
    return loaded.status();
}

class ReportWriter {
public:
    ReportWriter(const TQLTask& task, const ReportPaths& paths, const ReportProgress& progress)
        : m_task(task), m_paths(paths), m_progress(progress), m_types(task.app().settings()),
          m_block(taskBlockData(task)) {}

    Status prepare() {
        if (Status made = forceDirectories(m_paths.folder()); !made)
            return Status::failure("Unable to create the report folder " + m_paths.folder() + " (" +
                                       made.message() + ")",
                                   made.code());
        return loadQueueFile(m_task, m_types, m_queue);
    }

    Status summary() {
        tell(0, reportText(790));
        const LineList lines = summaryPageLines(m_paths, m_block, summaryCounts(m_task));
        if (Status written = writePage(m_paths.summary(), joinLines(lines)); !written)
            return written;
        return copyReportImages(m_task, m_paths).status();
    }

    Result<int> index(IndexKind kind) {
        tell(0, kind == IndexKind::Pages ? kPageIndexLabel : kImageIndexLabel);
        const std::vector<IndexEntry> entries =
            collectIndexEntries(m_queue, kind, m_types, reportBaseFolder(m_task));
        const int count = indexPageCount(entries.size());
        const std::string numbers = navigationNumbers(m_paths, kind, count);
        if (count > 10) {
            if (Status written =
                    writePage(m_paths.morePage(kind), morePageText(m_paths, kind, count));
                !written)
                return written;
        }
        for (int page = 1; page <= count; ++page) {
            tell(static_cast<int>(std::lround(100.0 * page / count)), m_label);
            const LineList lines =
                indexPageLines(m_paths, kind, m_block, entries, page, count, numbers);
            if (Status written = writePage(m_paths.indexPage(kind, page), joinLines(lines));
                !written)
                return written;
        }
        return count;
    }

private:
    void tell(int percent, std::string label) {
        m_label = std::move(label);
        if (m_progress)
            m_progress(percent, m_label);
    }

    const TQLTask& m_task;
    const ReportPaths& m_paths;
    const ReportProgress& m_progress;
    FileTypes m_types;
    TaskBlockData m_block;
    TaskQueue m_queue;
    std::string m_label;
};

} // namespace

Result<ReportOutcome> writeTaskReports(const TQLTask& task, const ReportProgress& progress,
                                       ReportParts parts) {
    Result<ReportPaths> paths = ReportPaths::of(task);
    if (!paths)
        return paths.status();
    ReportWriter writer(task, *paths, progress);
    if (Status ready = writer.prepare(); !ready)
        return ready;
    ReportOutcome outcome;
    outcome.summaryPath = paths->summary();
    if (parts.summary) {
        if (Status written = writer.summary(); !written)
            return written;
    }
    for (const auto& [wanted, kind, written] :
         {std::tuple{parts.pageIndex, IndexKind::Pages, &outcome.pageIndexPages},
          std::tuple{parts.imageIndex, IndexKind::Images, &outcome.imageIndexPages}}) {
        if (!wanted)
            continue;
        Result<int> pages = writer.index(kind);
        if (!pages)
            return pages.status();
        *written = *pages;
    }
    return outcome;
}

Result<int> copyReportImages(const TQLTask& task, const ReportPaths& paths) {
    const TQLApp& app = task.app();
    const std::string target = paths.imagesFolder();
    if (Status made = forceDirectories(target); !made)
        return made;
    int copied = 0;
    for (const char* name : kSkinImages) {
        const std::string source = app.skinFile(name);
        if (!fileExists(source))
            continue;
        errno = 0;
        if (!copyFile(source, target + name))
            return Status::fromErrno(errno, "Unable to write to " + target + name);
        ++copied;
    }
    return copied;
}

} // namespace quarlo
