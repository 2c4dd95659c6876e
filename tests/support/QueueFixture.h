#pragma once

#include "engine/Queue.h"
#include "model/TQLTask.h"
#include "support/AppFixture.h"

#include <memory>
#include <string>

namespace quarlo::test {

// An application with the default file-type table and a task "Site" in category "General"
// whose queue file and journal lie in the test's data folder.
class QueueFixture : public AppFixture {
protected:
    void SetUp() override;

    // Adds an entry (a page when page is set) through AddItem, then writes its status and
    // mode with StoreItem (the counters only count it as found). Returns the entry's URL.
    static std::string addEntry(TQLTask& task, const std::string& url, bool page,
                                QueueStatus status = QueueStatus::None,
                                QueueMode mode = QueueMode::Download);
    // Another task object for the same task file, as after a restart of the program.
    std::unique_ptr<TQLTask> reopenedTask() const;
    std::string queueFile() const { return m_task->queueFilePath(); }
    std::string journalFile() const { return m_task->queueFilePath() + ".journal"; }

    std::unique_ptr<TQLApp> m_app;
    std::unique_ptr<TQLTask> m_task;
};

} // namespace quarlo::test
