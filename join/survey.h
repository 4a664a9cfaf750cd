// Preparing the job at start-up: the record, the survey of the parts (their
// sizes are kept), the transfer buffer, the pause event and the report box's
// brush.
#ifndef SELVANORE_JOIN_SURVEY_H
#define SELVANORE_JOIN_SURVEY_H

#include <cstdint>

// The transfer buffer's first and last sizes tried: 32 MiB, halved down to
// 16 KiB. The buffer is also the unit of every read and write.
const uint32_t kLargestBuffer = 32u << 20;
const uint32_t kSmallestBuffer = 16u << 10;

// Returns 0 when start-up must be abandoned.
int PrepareJob();

// Allocates the largest transfer buffer it can, halving from 32 MiB down to
// 16 KiB; shows "Memoria insuficiente." and returns 0 when none can be had.
int SizeTransferBuffer();

// Releases what PrepareJob created: the engine, the parts' sizes, the
// buffers, the event and the brush, each at most once.
void ReleaseJob();

#endif
