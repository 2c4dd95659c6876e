#include "support/QueueFixture.h"

namespace quarlo::test {

void QueueFixture::SetUp() {
    m_app = makeApp();
    ASSERT_TRUE(m_app);
    ASSERT_TRUE(m_app->firstRunSetup());
    m_task = std::make_unique<TQLTask>(*m_app);
    ASSERT_TRUE(m_task->setLocation("General", "Site"));
    m_task->setURL("http://h.test/index.html");
}

std::string QueueFixture::addEntry(TQLTask& task, const std::string& url, bool page,
                                   QueueStatus status, QueueMode mode) {
    TQLQItem item;
    item.URL = url;
    item.FileType = page ? "HTML" : "Images";
    item.Level = 1;
    AddItem(task, item);
    item.Status = status;
    item.Mode = mode;
    StoreItem(item);
    return item.URL;
}

std::unique_ptr<TQLTask> QueueFixture::reopenedTask() const {
    // A missing task file gives a task of that name, as a crash before its first save would.
    return TQLTask::loadFromFile(*m_app, m_task->filePath());
}

} // namespace quarlo::test
