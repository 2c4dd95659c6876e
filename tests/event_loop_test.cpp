#include "platform/EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace quarlo;
using namespace std::chrono_literals;

TEST(EventLoop, PostedTasksRunInOrderOnTheNextRound) {
    EventLoop loop;
    std::vector<std::string> seen;
    loop.post([&] {
        seen.push_back("a");
        loop.post([&] { seen.push_back("c"); }); // queued while a round runs: next round
    });
    loop.post([&] { seen.push_back("b"); });
    EXPECT_TRUE(seen.empty());
    loop.processPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
    loop.processPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(EventLoop, InvokeFromAWorkerRunsOnTheMainThreadAndWaits) {
    EventLoop loop;
    const auto mainId = std::this_thread::get_id();
    std::atomic<bool> workerDone{false};
    std::atomic<int> mismatches{0};
    int counter = 0; // touched only on the main thread
    std::thread worker([&] {
        EXPECT_FALSE(loop.isMainThread());
        for (int i = 0; i < 100; ++i) {
            int seenByTask = -1;
            loop.invoke([&] {
                if (std::this_thread::get_id() != mainId || !loop.isMainThread())
                    ++mismatches;
                seenByTask = ++counter;
            });
            if (seenByTask != i + 1) // the result is there when invoke returns
                ++mismatches;
        }
        workerDone = true;
    });
    EXPECT_TRUE(loop.runUntil([&] { return workerDone.load(); }, 30s));
    worker.join();
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(counter, 100);
}

TEST(EventLoop, InvokeOnTheMainThreadRunsAtOnce) {
    EventLoop loop;
    EXPECT_TRUE(loop.isMainThread());
    int value = 0;
    loop.invoke([&] { value = 1; });
    EXPECT_EQ(value, 1);
    loop.post([&] { loop.invoke([&] { value = 2; }); }); // nested in a task: no deadlock
    loop.processPending();
    EXPECT_EQ(value, 2);
}

TEST(EventLoop, TimersFireRepeatedlyUntilStopped) {
    EventLoop loop;
    int ticks = 0;
    MainThread::TimerId id = 0;
    id = loop.startTimer(5ms, [&] {
        if (++ticks == 3)
            loop.stopTimer(id); // stopping from its own tick
    });
    int other = 0;
    const auto otherId = loop.startTimer(1h, [&] { ++other; });
    EXPECT_TRUE(loop.runUntil([&] { return ticks >= 3; }, 30s));
    std::this_thread::sleep_for(20ms);
    loop.processPending();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(other, 0);
    loop.stopTimer(otherId);
    loop.stopTimer(12345); // unknown ids are ignored
}

TEST(EventLoop, QuitFromAnotherThreadEndsRun) {
    EventLoop loop;
    bool ranBeforeQuit = false;
    loop.post([&] { ranBeforeQuit = true; });
    std::thread worker([&] {
        loop.invoke([] {}); // the loop is running
        loop.quit();
    });
    loop.run();
    worker.join();
    EXPECT_TRUE(ranBeforeQuit);

    // A quit that comes first ends the next run at once, and only that one.
    loop.quit();
    loop.run();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 20ms));
}

TEST(EventLoop, DestroyingTheLoopReleasesAWaitingInvoke) {
    // Counts what is queued, so that the loop is dropped only once the worker's task is in.
    struct CountingLoop : EventLoop {
        void post(Task task) override {
            EventLoop::post(std::move(task));
            ++posted;
        }
        std::atomic<int> posted{0};
    };
    auto loop = std::make_unique<CountingLoop>();
    std::atomic<bool> ran{false};
    std::thread worker([&, target = loop.get()] { target->invoke([&] { ran = true; }); });
    while (loop->posted == 0)
        std::this_thread::sleep_for(1ms);
    loop.reset();
    worker.join(); // would hang if the waiting invoke were not released
    EXPECT_FALSE(ran);
}
