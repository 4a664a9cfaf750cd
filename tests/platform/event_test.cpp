// The manual-reset event of the thread seam, built twice: on the system's
// event and on the stand-in of the other tests, which must behave alike.
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

}  // namespace
