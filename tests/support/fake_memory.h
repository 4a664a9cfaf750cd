// Stand-ins for the program's allocations, to make them fail on request.
#ifndef SELVANORE_TESTS_SUPPORT_FAKE_MEMORY_H
#define SELVANORE_TESTS_SUPPORT_FAKE_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct FakeMemory {
    // Fixed blocks: requests above this size fail.
    uint32_t largestBlock = 0xFFFFFFFF;
    // The fixed request of this number (from 1) fails whatever its size.
    size_t failRequest = 0;
    std::vector<uint32_t> requests;  // every size asked for, in order
    int blocksAlive = 0;
    // nothrow new: the allocation that makes this count reach 0 fails
    // (counting down from a positive value); 0 means none fails.
    int failNothrowAfter = 0;
};

extern FakeMemory g_memory;

void ResetFakeMemory();

#endif
