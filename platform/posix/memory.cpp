#include <sys/mman.h>

#include <cstdlib>

#include "platform/platform.h"

namespace {

const uint32_t kHugePage = 2u << 20;

}  // namespace

// A block of 2 MiB or more is aligned to 2 MiB and offered to the kernel for
// transparent huge pages: the transfer buffers are read into and out of in
// blocks of up to 2 MiB, and a huge page spares most of their page faults and
// TLB misses. The advice is only a hint; the block is fine without it.
void* AllocateFixed(uint32_t size) {
    if (size < kHugePage) return std::malloc(size);
    void* block = nullptr;
    if (posix_memalign(&block, kHugePage, size) != 0) return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(block, size, MADV_HUGEPAGE);
#endif
    return block;
}

void FreeFixed(void* block) { std::free(block); }
