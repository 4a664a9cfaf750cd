// The manual-reset event and the helper thread of the thread seam, built
// twice: on the system's and on the stand-ins of the other tests, which must
// behave alike.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

// Every thread that waits when the event is signalled is released, even when
// the event is reset at once, before they wake: a quick Continuar then Pausa
// must never leave the worker waiting.
TEST(ManualEvent, AResetRightAfterASignalStillReleasesEveryWaiter) {
    EventHandle event = CreateManualEvent();
    ASSERT_NE(event, nullptr);
    const int kWaiters = 3;
    for (int round = 0; round < 10; ++round) {
        std::atomic<int> waiting{0};
        std::atomic<int> released{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kWaiters; ++i) {
            threads.emplace_back([&] {
                ++waiting;
                WaitForEvent(event);
                ++released;
            });
        }
        while (waiting < kWaiters) std::this_thread::yield();
        // Time for the threads to reach their wait; the signal must release
        // them whenever they got there.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SignalEvent(event);
        ClearEvent(event);
        for (int i = 0; i < 500 && released < kWaiters; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        int seen = released;
        // Set for good, so that every thread ends whatever happened.
        SignalEvent(event);
        for (std::thread& thread : threads) thread.join();
        ClearEvent(event);
        ASSERT_EQ(seen, kWaiters) << "round " << round;
    }
    CloseEvent(event);
}

// Once reset, the event holds a thread that comes to wait.
TEST(ManualEvent, AResetEventHoldsANewWaiter) {
    EventHandle event = CreateManualEvent();
    ASSERT_NE(event, nullptr);
    SignalEvent(event);
    WaitForEvent(event);  // signalled: returns at once
    ClearEvent(event);
    std::atomic<bool> released{false};
    std::thread waiter([&] {
        WaitForEvent(event);
        released = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(released);
    SignalEvent(event);
    waiter.join();
    EXPECT_TRUE(released);
    CloseEvent(event);
}

// Every task handed over runs once, in order, and has returned, its writes
// seen, when AwaitHelperTask returns: whether each side finds the other
// still running (a hand-over within the spin) or asleep (a task, or a gap
// between tasks, longer than any spin).
TEST(Helper, EachTaskRunsOnceInOrderAndHasReturnedWhenAwaited) {
    struct Work {
        std::vector<int> order;
        int next = 0;
        std::chrono::microseconds taskTime{0};
    } work;
    HelperTask task = [](void* parameter) {
        Work& w = *static_cast<Work*>(parameter);
        if (w.taskTime.count() > 0) std::this_thread::sleep_for(w.taskTime);
        w.order.push_back(w.next);
    };
    HelperHandle helper = CreateHelperThread();
    ASSERT_NE(helper, nullptr);
    AwaitHelperTask(helper);  // nothing handed over: returns at once
    const std::chrono::microseconds kTimes[] = {std::chrono::microseconds(0), std::chrono::microseconds(3000)};
    for (std::chrono::microseconds taskTime : kTimes) {
        for (std::chrono::microseconds gap : kTimes) {
            work.order.clear();
            work.taskTime = taskTime;
            for (int i = 0; i < 200; ++i) {
                if (gap.count() > 0 && i % 20 == 0) std::this_thread::sleep_for(gap);
                work.next = i;
                StartHelperTask(helper, task, &work);
                AwaitHelperTask(helper);
                ASSERT_EQ(work.order.size(), static_cast<size_t>(i + 1))
                    << "task time " << taskTime.count() << " us, gap " << gap.count() << " us";
                ASSERT_EQ(work.order.back(), i);
            }
        }
    }
    CloseHelperThread(helper);
}

// A helper ends when closed, whether it never had a task or has just
// finished one.
TEST(Helper, ClosesIdleAndAfterATask) {
    HelperHandle idle = CreateHelperThread();
    ASSERT_NE(idle, nullptr);
    CloseHelperThread(idle);
    int runs = 0;
    HelperHandle used = CreateHelperThread();
    ASSERT_NE(used, nullptr);
    StartHelperTask(used, [](void* parameter) { ++*static_cast<int*>(parameter); }, &runs);
    AwaitHelperTask(used);
    CloseHelperThread(used);
    EXPECT_EQ(runs, 1);
}

}  // namespace
