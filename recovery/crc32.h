// CRC-32 as Ethernet, zip and the PAR 2.0 slice checksums compute it: the
// reflected polynomial 0xEDB88320, starting from all ones, the result
// inverted. Table-driven, eight bytes at a step.
#ifndef SELVANORE_RECOVERY_CRC32_H
#define SELVANORE_RECOVERY_CRC32_H

#include <cstddef>
#include <cstdint>

// The CRC-32 of the bytes that gave previous (0 for none) followed by size
// bytes at data: Crc32(b, n2, Crc32(a, n1)) is the CRC of a then b.
uint32_t Crc32(const void* data, size_t size, uint32_t previous = 0);

#endif
