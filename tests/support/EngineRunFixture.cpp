#include "support/EngineRunFixture.h"

#include "engine/Queue.h"
#include "html/FileTypes.h"
#include "html/LocalNames.h"

namespace quarlo::test {

void EngineRunFixture::SetUp() {
    ASSERT_TRUE(site.start());
    app = makeApp();
    ASSERT_TRUE(app);
    ASSERT_TRUE(app->firstRunSetup().ok());
    app->setHooks(&hooks);
    app->setDispatchPause(0);
    app->setConnections(5);
    downloader = std::make_unique<TQLDownloader>(*app, loop);
}

void EngineRunFixture::TearDown() {
    downloader.reset();
    if (app)
        app->setHooks(nullptr);
    app.reset();
}

std::unique_ptr<TQLTask> EngineRunFixture::listTask(const std::string& name, int count) {
    auto task = std::make_unique<TQLTask>(*app);
    EXPECT_TRUE(task->setLocation("General", name).ok());
    std::vector<std::string> urls;
    for (int n = 1; n <= count; ++n)
        urls.push_back(site.fileUrl(n));
    task->setUrls(urls);
    task->setIntranetMode(true);
    task->setDestination(destination());
    return task;
}

std::unique_ptr<TQLTask> EngineRunFixture::pageTask(const std::string& name,
                                                    const std::string& url) {
    auto task = std::make_unique<TQLTask>(*app);
    EXPECT_TRUE(task->setLocation("General", name).ok());
    task->setURL(url);
    task->setIntranetMode(true);
    task->setDestination(destination());
    return task;
}

bool EngineRunFixture::runToEnd(std::chrono::milliseconds timeout) {
    return runUntil([this] { return !downloader->isRunning(); }, timeout);
}

bool EngineRunFixture::runUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds timeout) {
    return loop.runUntil(done, timeout);
}

TaskCounters EngineRunFixture::counters() {
    TQLTask* task = app->currentTask();
    std::lock_guard lock(task->mutex());
    return task->counters();
}

TaskStatus EngineRunFixture::taskStatus() {
    TQLTask* task = app->currentTask();
    std::lock_guard lock(task->mutex());
    return task->status();
}

std::map<QueueStatus, int> EngineRunFixture::statusCounts(TQLTask& task) {
    std::lock_guard lock(task.mutex());
    std::map<QueueStatus, int> counts;
    for (std::size_t i = 0; i < task.queue().size(); ++i)
        ++counts[LoadItem(task, i)->Status];
    return counts;
}

std::string EngineRunFixture::savedFile(const std::string& url) {
    return LocalName(FileTypes(app->settings()), destination(), url);
}

int EngineRunFixture::identicalFiles(int count) {
    int same = 0;
    for (int n = 1; n <= count; ++n)
        same += readWholeFile(savedFile(site.fileUrl(n))) == site.currentBody(n) ? 1 : 0;
    return same;
}

std::unique_ptr<TQLQItem> EngineRunFixture::entry(const std::string& url) {
    TQLTask& task = *app->currentTask();
    std::lock_guard lock(task.mutex());
    const auto found = task.queue().find(url);
    return found ? LoadItem(task, *found) : nullptr;
}

} // namespace quarlo::test
