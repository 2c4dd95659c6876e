#include "support/StandInParser.h"

#include "engine/Queue.h"
#include "engine/TThreadDownload.h"
#include "model/TQLTask.h"

namespace quarlo::test {

namespace {
constexpr std::chrono::milliseconds kPoll{20};
} // namespace

StandInParser::StandInParser(TThreadDownload& download, OnPage onPage, bool allowed)
    : m_download(download), m_onPage(std::move(onPage)), m_allowed(allowed) {}

StandInParser::~StandInParser() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void StandInParser::startRun(TQLTask& task) {
    std::lock_guard lock(m_mutex);
    m_task = &task;
    if (!m_thread.joinable())
        m_thread = std::thread([this] { loop(); });
}

void StandInParser::stopRun() {
    std::lock_guard lock(m_mutex);
    m_task = nullptr;
}

void StandInParser::allow() {
    {
        std::lock_guard lock(m_mutex);
        m_allowed = true;
    }
    m_wake.notify_all();
}

void StandInParser::holdPages() {
    std::lock_guard lock(m_mutex);
    m_holdPages = true;
}

void StandInParser::releasePages() {
    {
        std::lock_guard lock(m_mutex);
        m_holdPages = false;
        m_holdsPage = false;
    }
    m_download.workQueued();
}

void StandInParser::loop() {
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        m_wake.wait_for(lock, kPoll);
        TQLTask* task = m_task;
        if (!m_allowed || m_quit || task == nullptr)
            continue;
        {
            std::lock_guard taskLock(task->mutex());
            while (auto page = NextSavedPage(*task)) {
                if (m_onPage)
                    m_onPage(*task, *page);
                SetStatus(*page, QueueStatus::Parsed);
                StoreItem(*page);
                if (m_holdPages)
                    m_holdsPage = true;
            }
        }
        m_download.workQueued();
    }
}

} // namespace quarlo::test
