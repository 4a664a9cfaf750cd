// Preparing the job at start-up: the record, the survey of the parts, the
// transfer buffer, the pause event and the report box's brush.
#ifndef SELVANORE_JOIN_SURVEY_H
#define SELVANORE_JOIN_SURVEY_H

#include <cstdint>

// The transfer buffer's first and last sizes tried. The buffer is also the
// unit of every read and write: 256 KiB stays in the processor's caches
// between the read, the write and the checksum, where a 32 MiB block makes
// each of them go to memory (measured: a 1 GiB join with SHA-256 in 1.8 s
// against 2.8 s).
const uint32_t kLargestBuffer = 256u << 10;
const uint32_t kSmallestBuffer = 16u << 10;

// Returns 0 when start-up must be abandoned.
int PrepareJob();

// Allocates the largest transfer buffer it can, halving from 256 KiB down to
// 16 KiB; shows "Memoria insuficiente." and returns 0 when none can be had.
int SizeTransferBuffer();

// Releases what PrepareJob created: the engine, the buffer, the event and the
// brush, each at most once.
void ReleaseJob();

#endif
