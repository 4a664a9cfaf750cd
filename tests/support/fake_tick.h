// A millisecond tick the test drives: each read returns the current value
// and then advances it by the step.
#ifndef SELVANORE_TESTS_SUPPORT_FAKE_TICK_H
#define SELVANORE_TESTS_SUPPORT_FAKE_TICK_H

#include <atomic>
#include <cstdint>

extern std::atomic<uint32_t> g_tick;
extern std::atomic<uint32_t> g_tickStep;

#endif
