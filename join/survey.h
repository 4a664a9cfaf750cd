// Preparing the job at start-up: the record, the survey of the parts (their
// sizes are kept), the transfer buffer, the pause event and the report box's
// brush.
#ifndef SELVANORE_JOIN_SURVEY_H
#define SELVANORE_JOIN_SURVEY_H

#include <cstdint>
#include <string>
#include <vector>

// The transfer buffer's first size tried: 2 MiB, halved down to 16 KiB
// until a block can be had. The buffer is also the unit of every read and
// write: a block this size stays in the processor's caches from its read,
// through its write, to its checksum.
const uint32_t kLargestBuffer = 2u << 20;

// Returns 0 when start-up must be abandoned; "Memoria insuficiente." is shown
// when no transfer buffer can be had.
int PrepareJob();

// Releases what PrepareJob created: the engine, the parts' sizes, the
// buffers, the event and the brush, each at most once; and the part checks.
void ReleaseJob();

// Switches on the check of each part against its own SHA-256, from the
// checksum list of the set: digests holds each part's digest text, in order.
// Called before PrepareJob, which then fails when the record names another
// number of parts; the survey then marks each part it cannot read, and the
// join checks each part as it is joined. Returns 0 (checking nothing) when a
// text is not a SHA-256 digest text or memory cannot be had.
int UsePartChecksums(const std::vector<std::string>& digests);

#endif
