// A number of bytes as people type it: "4096", "10M", "10mb", "100KiB",
// "1g". Part of the job's library so that every front end reads sizes alike.
#ifndef SELVANORE_SPLIT_BYTE_COUNT_H
#define SELVANORE_SPLIT_BYTE_COUNT_H

#include <cstdint>

// Why a text is no byte count.
enum class ByteCountProblem {
    None,
    NoNumber,     // empty, or not beginning with a decimal digit ("", "K", "-1", " 1")
    UnknownUnit,  // digits followed by anything but a unit ("1.5M", "1T", "1 M", "0x10")
    TooLarge,     // more than 2^64 - 1 bytes
};

// Reads decimal digits followed by an optional unit, in any case: K, M, G
// and KiB, MiB, GiB are powers of 1024, KB, MB, GB powers of 1000. Returns 1
// with the count in *value, or 0 leaving *value alone, with the reason in
// *problem when one is given.
int ParseByteCount(const char* text, uint64_t* value, ByteCountProblem* problem = nullptr);

#endif
