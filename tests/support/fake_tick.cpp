#include "tests/support/fake_tick.h"

#include "platform/platform.h"

std::atomic<uint32_t> g_tick{0};
std::atomic<uint32_t> g_tickStep{0};

uint32_t GetTickCount32() { return g_tick.fetch_add(g_tickStep.load()); }
