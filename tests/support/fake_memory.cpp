#include "tests/support/fake_memory.h"

#include <cstdlib>
#include <new>

#include "platform/platform.h"

FakeMemory g_memory;

void ResetFakeMemory() { g_memory = FakeMemory{}; }

void* AllocateFixed(uint32_t size) {
    g_memory.requests.push_back(size);
    if (size > g_memory.largestBlock || g_memory.requests.size() == g_memory.failRequest) {
        return nullptr;
    }
    void* block = std::malloc(size);
    if (block != nullptr) ++g_memory.blocksAlive;
    return block;
}

void FreeFixed(void* block) {
    if (block != nullptr) --g_memory.blocksAlive;
    std::free(block);
}

// The program asks for its engine with nothrow new: these replacements fail
// on request and otherwise use the ordinary allocation, so that the ordinary
// delete (and the sanitizers' bookkeeping) match.
namespace {
bool NothrowShouldFail() {
    return g_memory.failNothrowAfter > 0 && --g_memory.failNothrowAfter == 0;
}
}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (NothrowShouldFail()) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (NothrowShouldFail()) return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}
