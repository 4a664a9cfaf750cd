// Processors without SIMD kernels here: the portable kernels are the only
// ones, and asking for SIMD changes nothing.
#include "recovery/crc32.h"
#include "recovery/gf_kernels.h"

uint32_t GfCpuKernels(const GfKernels** list, uint32_t capacity) {
    if (capacity > 0) list[0] = GfPortableKernels();
    return 1;
}

uint32_t GfUsableKernels(const GfKernels** list, uint32_t capacity) { return GfCpuKernels(list, capacity); }

const GfKernels* GfActiveKernels() { return GfPortableKernels(); }

bool UseGfSimd(bool) { return false; }

Crc32FoldFunction Crc32Fold() { return nullptr; }

bool UseCrc32Clmul(bool) { return false; }
