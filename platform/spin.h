// A short busy wait before a thread goes to sleep: the helper thread and the
// worker hand each other a block every millisecond or two, and waking a
// sleeping thread costs a round through the system (under Wine, through the
// wineserver) that the other thread would spend idle. Spinning a little
// first catches the hand-over that is about to come; beyond the budget the
// waiter sleeps as before, so a long wait costs no processor.
#ifndef SELVANORE_PLATFORM_SPIN_H
#define SELVANORE_PLATFORM_SPIN_H

#include <atomic>
#include <chrono>
#include <thread>

// How long a waiter spins before it sleeps: about the time the helper takes
// to checksum one transfer block, so that in a join whose two threads keep
// pace neither ever sleeps. After the first part of it the spinner yields
// its processor at each turn, to any other thread ready to run there.
const std::chrono::microseconds kSpinBudget(4000);
const std::chrono::microseconds kSpinWithoutYield(100);

inline void SpinPause() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    __asm__ __volatile__("yield");
#endif
}

// Spins until flag holds value or the budget has passed; true when it holds.
// A single processor never spins: the other thread could not run meanwhile.
inline bool SpinUntil(const std::atomic<int>& flag, int value) {
    static const bool worthIt = std::thread::hardware_concurrency() >= 2;
    if (!worthIt) return flag.load(std::memory_order_acquire) == value;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (flag.load(std::memory_order_acquire) == value) return true;
            SpinPause();
        }
        auto spent = std::chrono::steady_clock::now() - start;
        if (spent >= kSpinBudget) return false;
        if (spent >= kSpinWithoutYield) std::this_thread::yield();
    }
}

#endif
