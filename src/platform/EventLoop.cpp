#include "platform/EventLoop.h"

#include <vector>

namespace quarlo {

namespace {

using Clock = std::chrono::steady_clock;

// Far enough to mean "no deadline" without overflowing the clock arithmetic of a wait.
constexpr std::chrono::hours kLongWait{24};
constexpr std::chrono::milliseconds kPredicatePoll{10};

} // namespace

EventLoop::EventLoop() : m_mainThread(std::this_thread::get_id()) {}

EventLoop::~EventLoop() {
    std::deque<Task> tasks;
    std::map<TimerId, Timer> timers;
    {
        std::lock_guard lock(m_mutex);
        tasks.swap(m_tasks);
        timers.swap(m_timers);
    }
    // Destroyed outside the lock: a discarded invoke() ends its wait when its task goes.
}

void EventLoop::post(Task task) {
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_wake.notify_all();
}

void EventLoop::invoke(Task task) {
    if (isMainThread()) {
        task();
        return;
    }
    struct Done {
        std::mutex mutex;
        std::condition_variable signal;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    {
        // Fires when the last copy of the posted task is destroyed: after it ran, or when
        // the loop is destroyed with the task still queued.
        std::shared_ptr<void> notifier(nullptr, [done](void*) {
            std::lock_guard lock(done->mutex);
            done->done = true;
            done->signal.notify_all();
        });
        post([task = std::move(task), notifier] { task(); });
    }
    std::unique_lock lock(done->mutex);
    done->signal.wait(lock, [&] { return done->done; });
}

MainThread::TimerId EventLoop::startTimer(std::chrono::milliseconds interval, Task task) {
    TimerId id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextTimer++;
        m_timers[id] = Timer{interval, Clock::now() + interval, std::move(task)};
    }
    m_wake.notify_all();
    return id;
}

void EventLoop::stopTimer(TimerId id) {
    std::map<TimerId, Timer>::node_type removed;
    std::lock_guard lock(m_mutex);
    removed = m_timers.extract(id);
}

bool EventLoop::isMainThread() const {
    return std::this_thread::get_id() == m_mainThread;
}

bool EventLoop::runOnce(Clock::time_point until) {
    std::deque<Task> tasks;
    std::vector<TimerId> dueTimers;
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            const auto now = Clock::now();
            if (m_quit || !m_tasks.empty() || now >= until)
                break;
            auto wakeAt = until;
            bool timerDue = false;
            for (const auto& [id, timer] : m_timers) {
                timerDue = timerDue || timer.due <= now;
                wakeAt = std::min(wakeAt, timer.due);
            }
            if (timerDue)
                break;
            m_wake.wait_until(lock, wakeAt);
        }
        tasks.swap(m_tasks);
        const auto now = Clock::now();
        for (const auto& [id, timer] : m_timers)
            if (timer.due <= now)
                dueTimers.push_back(id);
    }
    const bool ran = !tasks.empty() || !dueTimers.empty();
    while (!tasks.empty()) {
        Task task = std::move(tasks.front());
        tasks.pop_front();
        task();
    }
    for (TimerId id : dueTimers) {
        Task task;
        {
            std::lock_guard lock(m_mutex);
            auto found = m_timers.find(id);
            if (found == m_timers.end())
                continue; // stopped by an earlier task of this round
            Timer& timer = found->second;
            const auto now = Clock::now();
            timer.due += timer.interval;
            if (timer.due <= now)
                timer.due = now + timer.interval; // a late loop does not fire in bursts
            task = timer.task;
        }
        task();
    }
    return ran;
}

void EventLoop::run() {
    while (!m_quit)
        runOnce(Clock::now() + kLongWait);
    m_quit = false;
}

bool EventLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        if (m_quit) {
            m_quit = false;
            return done();
        }
        const auto now = Clock::now();
        if (now >= deadline)
            return false;
        // The predicate may depend on other threads that post nothing: look again soon.
        runOnce(std::min(deadline, now + kPredicatePoll));
    }
}

void EventLoop::processPending() {
    runOnce(Clock::now());
}

void EventLoop::quit() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
}

} // namespace quarlo
