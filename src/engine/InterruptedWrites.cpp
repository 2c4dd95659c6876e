#include "engine/InterruptedWrites.h"

#include "engine/Queue.h"
#include "engine/TThreadParse.h"
#include "engine/TickBodyFile.h"
#include "model/TQLTask.h"
#include "platform/FileUtil.h"

#include <cstdio>
#include <set>

namespace quarlo {

InterruptedWrites finishInterruptedWrites(TQLTask& task) {
    InterruptedWrites done;
    std::set<std::string> folders;
    for (std::size_t entry = 0; entry < task.queue().size(); ++entry) {
        std::unique_ptr<TQLQItem> item = LoadItem(task, entry);
        const std::string local = item ? LocalName(*item) : std::string();
        if (local.empty())
            continue;
        folders.insert(folderOf(local));
        const std::string pending = TThreadParse::pendingPagePath(local);
        if (!fileExists(pending))
            continue;
        if (item->Status == QueueStatus::Parsed && std::rename(pending.c_str(), local.c_str()) == 0)
            ++done.pagesPutInPlace;
        else if (deleteFile(pending))
            ++done.filesRemoved;
    }
    for (const std::string& folder : folders) {
        for (const std::string& name : listFiles(folder)) {
            const bool temporary = isAtomicWriteTempName(name) || TickBodyFile::isPartName(name);
            if (temporary && deleteFile(folder + name))
                ++done.filesRemoved;
        }
    }
    return done;
}

} // namespace quarlo
