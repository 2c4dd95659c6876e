#include "model/TQLApp.h"

#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <vector>

namespace quarlo {

namespace {

bool samePathIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The listed paths, each once: resets shrink the file while it is walked, so
// the walk goes over a copy taken before the first change.
std::vector<std::string> listedOnce(const std::vector<std::string>& listed) {
    std::vector<std::string> paths;
    for (const auto& path : listed) {
        bool seen = false;
        for (const auto& kept : paths)
            seen = seen || samePathIgnoringCase(kept, path);
        if (!seen)
            paths.push_back(path);
    }
    return paths;
}

} // namespace

std::vector<std::string> TQLApp::startupCheck(bool resetNowTasks) {
    std::vector<std::string> problems;
    for (const auto& path : listedOnce(m_activeTasks.paths())) {
        if (!fileExists(path)) {
            // A task file that is gone cannot run; loading it would make an empty
            // task.
            if (Status removed = m_activeTasks.remove(path); !removed)
                problems.push_back(removed.message());
            continue;
        }
        std::unique_ptr<TQLTask> task = TQLTask::loadFromFile(*this, path);
        if (!task)
            continue;
        const bool waitsForRealTime = task->status() == TaskStatus::Scheduled &&
                                      !(resetNowTasks && task->schedule() == "Now");
        if (waitsForRealTime)
            continue;
        task->setStatus(TaskStatus::Unscheduled);
        task->setSchedule("");
        if (Status saved = task->save(); !saved) {
            problems.push_back(saved.message());
            // The task must not start by itself even though its file could not be
            // updated.
            if (Status removed = m_activeTasks.remove(path); !removed)
                problems.push_back(removed.message());
        }
    }
    return problems;
}

} // namespace quarlo
