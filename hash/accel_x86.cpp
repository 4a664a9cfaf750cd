// x86: the SHA-extension functions are used when CPUID reports them and they
// pass a self-test.
#include "hash/accel.h"

#include <atomic>
#include <cpuid.h>
#include <cstring>

namespace {

// Whether the hardware functions may be used; tests and benchmarks clear it.
std::atomic<bool> g_allowed{true};

// Runs both functions on the same blocks and compares the states: a
// processor that claims the extensions but computes otherwise is not used.
bool HardwarePassesSelfTest() {
    uint8_t blocks[192];
    for (int i = 0; i < 192; ++i) blocks[i] = static_cast<uint8_t>(i * 37 + 11);
    uint32_t a[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint32_t b[8];
    std::memcpy(b, a, sizeof a);
    Sha256BlocksPortable(a, blocks, sizeof blocks);
    Sha256BlocksShaNi(b, blocks, sizeof blocks);
    if (std::memcmp(a, b, sizeof a) != 0) return false;
    uint32_t c[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
    uint32_t d[5];
    std::memcpy(d, c, sizeof c);
    Sha1BlocksPortable(c, blocks, sizeof blocks);
    Sha1BlocksShaNi(d, blocks, sizeof blocks);
    return std::memcmp(c, d, sizeof c) == 0;
}

bool HardwareUsable() {
    static const bool usable = CpuHasShaExtensions() && HardwarePassesSelfTest();
    return usable;
}

std::atomic<Md5LanesLimit> g_lanesLimit{Md5LanesLimit::Widest};

// The extended state the system saves (XGETBV 0); only to be read where
// CPUID reports OSXSAVE.
uint32_t SavedState() {
    uint32_t low, high;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return low;
}

// AVX2 reported by CPUID, with the system saving the YMM registers.
bool CpuHasAvx2() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    if ((ecx & bit_OSXSAVE) == 0 || (ecx & bit_AVX) == 0) return false;
    if ((SavedState() & 6) != 6) return false;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    return (ebx & bit_AVX2) != 0;
}

// AVX-512F and AVX-512VL reported by CPUID, with the system saving the
// opmask and the upper halves and registers of AVX-512 beside the YMM ones.
bool CpuHasAvx512Vl() {
    if (!CpuHasAvx2() || (SavedState() & 0xe6) != 0xe6) return false;
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    return (ebx & (1u << 16)) != 0 && (ebx & (1u << 31)) != 0;
}

// Eight messages of three blocks, each lane's bytes its own, against the
// portable function one message at a time.
bool LanesPassSelfTest(Md5LanesFunction lanes) {
    uint8_t blocks[kMd5Lanes][192];
    uint32_t expected[kMd5Lanes][4];
    uint32_t got[kMd5Lanes][4];
    uint32_t* states[kMd5Lanes];
    const uint8_t* data[kMd5Lanes];
    for (uint32_t lane = 0; lane < kMd5Lanes; ++lane) {
        for (int i = 0; i < 192; ++i) blocks[lane][i] = static_cast<uint8_t>(i * 37 + lane * 101 + 11);
        const uint32_t start[4] = {0x67452301 + lane, 0xefcdab89, 0x98badcfe, 0x10325476};
        std::memcpy(expected[lane], start, sizeof start);
        std::memcpy(got[lane], start, sizeof start);
        Md5BlocksPortable(expected[lane], blocks[lane], 192);
        states[lane] = got[lane];
        data[lane] = blocks[lane];
    }
    lanes(states, data, 192);
    return std::memcmp(expected, got, sizeof got) == 0;
}

Md5LanesFunction Avx2Lanes() {
    static const Md5LanesFunction usable =
        CpuHasAvx2() && LanesPassSelfTest(Md5BlocksLanesAvx2) ? Md5BlocksLanesAvx2 : nullptr;
    return usable;
}

Md5LanesFunction WidestLanes() {
    static const Md5LanesFunction usable =
        CpuHasAvx512Vl() && LanesPassSelfTest(Md5BlocksLanesAvx512) ? Md5BlocksLanesAvx512 : Avx2Lanes();
    return usable;
}

}  // namespace

Md5LanesFunction Md5Lanes() {
    switch (g_lanesLimit.load(std::memory_order_relaxed)) {
        case Md5LanesLimit::None:
            return nullptr;
        case Md5LanesLimit::Avx2:
            return Avx2Lanes();
        case Md5LanesLimit::Widest:
            break;
    }
    return WidestLanes();
}

bool UseMd5Lanes(Md5LanesLimit limit) {
    g_lanesLimit = limit;
    return Md5Lanes() != nullptr;
}

bool CpuHasShaExtensions() {
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
    bool ssse3 = (ecx & bit_SSSE3) != 0;
    bool sse41 = (ecx & bit_SSE4_1) != 0;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
    bool sha = (ebx & (1u << 29)) != 0;
    return ssse3 && sse41 && sha;
}

Sha1BlockFunction Sha1Blocks() {
    return g_allowed.load(std::memory_order_relaxed) && HardwareUsable() ? Sha1BlocksShaNi
                                                                          : Sha1BlocksPortable;
}

Sha256BlockFunction Sha256Blocks() {
    return g_allowed.load(std::memory_order_relaxed) && HardwareUsable() ? Sha256BlocksShaNi
                                                                          : Sha256BlocksPortable;
}

bool UseShaExtensions(bool allow) {
    g_allowed = allow;
    return allow && HardwareUsable();
}
