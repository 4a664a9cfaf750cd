// CRC-32 as Ethernet, zip and the PAR 2.0 slice checksums compute it: the
// reflected polynomial 0xEDB88320, starting from all ones, the result
// inverted. Table-driven, eight bytes at a step, or by carry-less
// multiplication where the processor has it.
#ifndef SELVANORE_RECOVERY_CRC32_H
#define SELVANORE_RECOVERY_CRC32_H

#include <cstddef>
#include <cstdint>

// The CRC-32 of the bytes that gave previous (0 for none) followed by size
// bytes at data: Crc32(b, n2, Crc32(a, n1)) is the CRC of a then b.
uint32_t Crc32(const void* data, size_t size, uint32_t previous = 0);

// The same by the byte tables alone.
uint32_t Crc32Portable(const void* data, size_t size, uint32_t previous = 0);

// The CRC's inner state (the inverted CRC) after the first size bytes of
// data, from state, by carry-less multiplication; size is a multiple of 16,
// 64 at least (recovery/crc32_clmul.cpp, x86 builds only, to be called only
// where the processor has PCLMULQDQ and SSE4.1).
uint32_t Crc32FoldClmul(uint32_t state, const uint8_t* data, size_t size);
typedef uint32_t (*Crc32FoldFunction)(uint32_t state, const uint8_t* data, size_t size);
// The folding in use: Crc32FoldClmul where the processor has it and it
// passes a self-test against the tables, else null.
Crc32FoldFunction Crc32Fold();
// Forces the tables (false) or returns to the automatic choice (true).
// Returns whether the folding is now in use.
bool UseCrc32Clmul(bool allow);

#endif
