// The timeline of one join, for the benchmarks: when each block's read,
// write and checksum began and ended and on which thread, the waits of the
// worker for the helper and of the helper for the worker, each synchronous
// message to the dialog and how long the dialog took, and the steps before
// the first read and after the last write. A seam chosen at link time: the
// shipped programs link join/timeline_off.cpp, whose functions do nothing;
// the benchmarks link join/timeline_on.cpp, which records and summarises.
#ifndef SELVANORE_JOIN_TIMELINE_H
#define SELVANORE_JOIN_TIMELINE_H

#include <cstdint>

// What a span of time was spent on.
enum class Span : uint8_t {
    Start,      // worker: from its start to the joined file created
    Open,       // worker: a part opened and measured
    Read,       // worker: one block read
    Write,      // worker: one block written
    Checksum,   // helper (or worker without one): one block checksummed
    AwaitHelper,// worker: waiting for the helper to finish its block
    Send,       // worker: a synchronous message, from the send to its return
    Handle,     // dialog: the handler of a worker's message
    Display,    // dialog: the progress shown after its handler returned
    Close,      // worker: a part closed
    Flush,      // worker: the joined file flushed
    Closing,    // dialog: the closing handler (verdict, name, report)
    Count
};

// The threads a span runs on.
enum class Lane : uint8_t { Worker, Helper, Dialog, Count };

// A moment in nanoseconds of a monotonic clock; 0 from the off build.
uint64_t TimelineNow();
// Records the span that began at begin and ends now; detail is the
// message's number for Send and Handle, the bytes for Read, Write and
// Checksum.
void TimelineRecord(Span span, Lane lane, uint64_t begin, uint32_t detail);
// Starts a new timeline: every span recorded before is forgotten.
void TimelineReset();
// The summary of the timeline since the last reset, as text (empty from the
// off build): per thread its busy time by span and its idle time, the
// longest waits, the time before the first read and after the last write.
// Allocates; not for the hot path.
void TimelineSummary(char* text, uint32_t capacity);

#endif
