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

// How long a waiter spins before it sleeps.
const std::chrono::microseconds kSpinBudget(200);

inline void SpinPause() {
#if defined(__i386__) || defined(__x86_64__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    __asm__ __volatile__("yield");
#endif
}

// Spins until flag holds value or the budget has passed; true when it holds.
inline bool SpinUntil(const std::atomic<int>& flag, int value) {
    auto deadline = std::chrono::steady_clock::now() + kSpinBudget;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (flag.load(std::memory_order_acquire) == value) return true;
            SpinPause();
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
    }
}

#endif
