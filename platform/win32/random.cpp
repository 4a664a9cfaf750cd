// The random source of every temporary name on Windows: the system's
// preferred generator (BCryptGenRandom).
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>

#include "platform/platform.h"
#include "platform/win32/file_handle.h"

int FillRandom(void* buffer, size_t length) {
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    while (length > 0) {
        ULONG chunk = static_cast<ULONG>(std::min<size_t>(length, 1u << 20));
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
            SetLastError(ERROR_GEN_FAILURE);
            return 0;
        }
        bytes += chunk;
        length -= chunk;
    }
    return 1;
}

uint64_t UnpredictableBits() {
    uint64_t bits = 0;
    if (FillRandom(&bits, sizeof bits)) return bits;
    // No generator (Windows Vista has no preferred one): the performance
    // counter, the clock, the process and thread, the stack's address and a
    // count of calls, mixed. Another run cannot foresee them closely enough
    // to take the name first, and a clash costs only a retry.
    static LONG calls = 0;
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t state = static_cast<uint64_t>(counter.QuadPart);
    state ^= (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) * 0xD6E8FEB86659FD93ull;
    state ^= static_cast<uint64_t>(GetCurrentProcessId()) << 32 | GetCurrentThreadId();
    state += static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&counter)) << 16;
    state += static_cast<uint64_t>(GetTickCount()) << 40;
    state += static_cast<uint64_t>(InterlockedIncrement(&calls)) * 0x9E3779B97F4A7C15ull;
    // The finaliser of splitmix64: every input bit reaches every output bit.
    state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ull;
    state = (state ^ (state >> 27)) * 0x94D049BB133111EBull;
    return state ^ (state >> 31);
}
