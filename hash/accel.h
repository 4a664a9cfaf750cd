// Block functions that use the processor's SHA extensions, chosen once at
// start by CPUID (with a self-test), and the switch that tests and benchmarks
// use to force the portable functions.
#ifndef SELVANORE_HASH_ACCEL_H
#define SELVANORE_HASH_ACCEL_H

#include <cstdint>

// The SHA-1 block function over count bytes (a multiple of 64); state holds
// the five words.
typedef void (*Sha1BlockFunction)(uint32_t* state, const uint8_t* data, uint32_t count);
// The SHA-256 compression over count bytes; state holds the eight words.
typedef void (*Sha256BlockFunction)(uint32_t* state, const uint8_t* data, uint32_t count);

// The 64 round constants of SHA-256, shared by both compressions; aligned for
// loads of four at a time.
extern const uint32_t kSha256RoundConstants[64];

void Sha1BlocksPortable(uint32_t* state, const uint8_t* data, uint32_t count);
void Sha256BlocksPortable(uint32_t* state, const uint8_t* data, uint32_t count);
// The SHA-extension versions; only to be called where the processor has them.
// They exist in x86 builds only (hash/sha_x86.cpp); elsewhere
// hash/accel_none.cpp keeps to the portable functions.
void Sha1BlocksShaNi(uint32_t* state, const uint8_t* data, uint32_t count);
void Sha256BlocksShaNi(uint32_t* state, const uint8_t* data, uint32_t count);

// MD5 of kMd5Lanes messages side by side: states[i] holds the four words
// of message i, data[i] its next count bytes (a multiple of 64).
const uint32_t kMd5Lanes = 8;
typedef void (*Md5LanesFunction)(uint32_t* const* states, const uint8_t* const* data, uint32_t count);
// MD5's block function on one message, over count bytes.
void Md5BlocksPortable(uint32_t* state, const uint8_t* data, uint32_t count);
// The AVX2 version (hash/md5_avx2.cpp, x86 builds only); only to be called
// where the processor has AVX2 and the system saves its registers.
void Md5BlocksLanesAvx2(uint32_t* const* states, const uint8_t* const* data, uint32_t count);
// The AVX-512 version on 256-bit registers (hash/md5_avx512.cpp, x86 builds
// only); only where the processor has AVX-512F and AVX-512VL and the system
// saves their state.
void Md5BlocksLanesAvx512(uint32_t* const* states, const uint8_t* const* data, uint32_t count);

// The side-by-side MD5 in use: the widest the processor has that passes a
// self-test against Md5BlocksPortable (AVX-512's, else AVX2's), else null
// (each message is then hashed on its own).
Md5LanesFunction Md5Lanes();
// Which side-by-side function may be used: none (each message on its own),
// AVX2's at most, or the widest (the automatic choice).
enum class Md5LanesLimit { None, Avx2, Widest };
// Sets the limit. Returns whether a side-by-side function is now in use.
bool UseMd5Lanes(Md5LanesLimit limit);

// True when the processor has the SHA extensions with SSSE3 and SSE4.1.
bool CpuHasShaExtensions();

// The functions in use: the hardware ones when the processor has them and
// they pass a self-test, else the portable ones.
Sha1BlockFunction Sha1Blocks();
Sha256BlockFunction Sha256Blocks();

// Forces the portable functions (false) or returns to the automatic choice
// (true). Returns whether the hardware functions are now in use.
bool UseShaExtensions(bool allow);

#endif
