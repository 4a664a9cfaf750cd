// x86: the SSSE3 and AVX2 kernels are used when CPUID reports them (AVX2 also
// needs the operating system to save the AVX state, which XGETBV tells) and
// they compute what the portable kernels compute.
#include <atomic>
#include <cpuid.h>
#include <cstring>
#include <initializer_list>

#include "recovery/crc32.h"
#include "recovery/gf_kernels.h"

namespace {

// Whether SIMD kernels may be used; tests and benchmarks clear it.
std::atomic<bool> g_allowed{true};

const GfKernels kSsse3 = {"ssse3", GfMultiplyAddSsse3, GfMultiplySsse3};
const GfKernels kAvx2 = {"avx2", GfMultiplyAddAvx2, GfMultiplyAvx2};

bool CpuHasSsse3() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (ecx & bit_SSSE3) != 0;
}

bool CpuHasAvx2() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    if ((ecx & bit_OSXSAVE) == 0 || (ecx & bit_AVX) == 0) return false;
    // XCR0: the XMM (bit 1) and YMM (bit 2) state saved by the system.
    unsigned xcr0Low, xcr0High;
    __asm__ volatile("xgetbv" : "=a"(xcr0Low), "=d"(xcr0High) : "c"(0));
    if ((xcr0Low & 6) != 6) return false;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    return (ebx & bit_AVX2) != 0;
}

// Both kernels against the portable ones on several factors, lengths and
// unaligned addresses: a processor that claims the instructions but
// computes otherwise is not used.
bool PassesSelfTest(const GfKernels* kernels) {
    uint8_t src[300], expected[300], actual[300];
    uint32_t seed = 12345;
    for (uint8_t& byte : src) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    const uint16_t factors[] = {0, 1, 2, 0x100B, 0x8000, 0xFFFF, 0x1234};
    const size_t lengths[] = {0, 2, 30, 32, 34, 64, 66, 126, 256, 298};
    for (uint16_t f : factors) {
        GfFactor factor;
        GfPrepareFactor(f, &factor);
        for (size_t length : lengths) {
            for (size_t offset = 0; offset < 2; ++offset) {
                for (int add = 0; add < 2; ++add) {
                    std::memcpy(expected, src + 1, sizeof expected - 1);
                    std::memcpy(actual, expected, sizeof actual);
                    (add ? GfMultiplyAddPortable : GfMultiplyPortable)(&factor, expected + offset, src + offset, length);
                    (add ? kernels->multiplyAdd : kernels->multiply)(&factor, actual + offset, src + offset, length);
                    if (std::memcmp(expected, actual, sizeof actual) != 0) return false;
                }
            }
        }
    }
    return true;
}

struct KernelList {
    const GfKernels* list[3];
    uint32_t count;
};

const KernelList& CpuKernels() {
    static const KernelList cpu = [] {
        KernelList k = {{GfPortableKernels(), nullptr, nullptr}, 1};
        if (CpuHasSsse3()) k.list[k.count++] = &kSsse3;
        if (CpuHasAvx2()) k.list[k.count++] = &kAvx2;
        return k;
    }();
    return cpu;
}

const KernelList& UsableKernels() {
    static const KernelList usable = [] {
        KernelList u = {{GfPortableKernels(), nullptr, nullptr}, 1};
        const KernelList& cpu = CpuKernels();
        for (uint32_t i = 1; i < cpu.count; ++i) {
            if (PassesSelfTest(cpu.list[i])) u.list[u.count++] = cpu.list[i];
        }
        return u;
    }();
    return usable;
}

uint32_t Copy(const KernelList& kernels, const GfKernels** list, uint32_t capacity) {
    for (uint32_t i = 0; i < kernels.count && i < capacity; ++i) list[i] = kernels.list[i];
    return kernels.count;
}

std::atomic<bool> g_clmulAllowed{true};

bool CpuHasClmul() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    return (ecx & bit_PCLMUL) != 0 && (ecx & bit_SSE4_1) != 0;
}

// The folding against the tables over lengths from 64 bytes to several
// blocks of 64, from several starting CRCs and unaligned addresses.
bool ClmulPassesSelfTest() {
    uint8_t bytes[1000];
    for (int i = 0; i < 1000; ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
    for (size_t size : {64, 80, 128, 256, 992}) {
        for (uint32_t start : {0u, 0x12345678u}) {
            uint32_t expected = ~Crc32Portable(bytes + 3, size, start);
            if (Crc32FoldClmul(~start, bytes + 3, size) != expected) return false;
        }
    }
    return true;
}

bool ClmulUsable() {
    static const bool usable = CpuHasClmul() && ClmulPassesSelfTest();
    return usable;
}

}  // namespace

Crc32FoldFunction Crc32Fold() {
    return g_clmulAllowed.load(std::memory_order_relaxed) && ClmulUsable() ? Crc32FoldClmul : nullptr;
}

bool UseCrc32Clmul(bool allow) {
    g_clmulAllowed = allow;
    return allow && ClmulUsable();
}

uint32_t GfCpuKernels(const GfKernels** list, uint32_t capacity) { return Copy(CpuKernels(), list, capacity); }

uint32_t GfUsableKernels(const GfKernels** list, uint32_t capacity) { return Copy(UsableKernels(), list, capacity); }

const GfKernels* GfActiveKernels() {
    const KernelList& usable = UsableKernels();
    return g_allowed.load(std::memory_order_relaxed) ? usable.list[usable.count - 1] : usable.list[0];
}

bool UseGfSimd(bool allow) {
    g_allowed = allow;
    return allow && UsableKernels().count > 1;
}
