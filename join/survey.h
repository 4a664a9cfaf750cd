// Preparing the job at start-up: the record, the survey of the parts (their
// sizes are kept), the transfer buffer, the pause event and the report box's
// brush.
#ifndef SELVANORE_JOIN_SURVEY_H
#define SELVANORE_JOIN_SURVEY_H

#include <cstdint>

// The transfer buffer's first size tried: 32 MiB, halved down to 16 KiB
// until a block can be had. The buffer is also the unit of every read and
// write.
const uint32_t kLargestBuffer = 32u << 20;

// Returns 0 when start-up must be abandoned; "Memoria insuficiente." is shown
// when no transfer buffer can be had.
int PrepareJob();

// Releases what PrepareJob created: the engine, the parts' sizes, the
// buffers, the event and the brush, each at most once.
void ReleaseJob();

#endif
