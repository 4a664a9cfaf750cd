// The progress display: time labels, one progress line per part with a
// 6-character percentage tail rewritten in place, the pause notice, and the
// running title.
#ifndef SELVANORE_UI_PROGRESS_H
#define SELVANORE_UI_PROGRESS_H

#include <cstdint>

// The title's status while a join runs: at the start, on resume and at every
// progress notification.
extern const char kRunningStatus[];

// Capacity of a duration text, terminator included.
const uint32_t kDurationCapacity = 20;

struct DurationText {
    char text[kDurationCapacity];
};

// "hh:mm:ss", the hours not reduced modulo 24.
DurationText FormatDuration(uint32_t milliseconds);

// The remaining-time estimate: the time spent per byte so far applied to the
// bytes still to do; 0 when nothing is done yet or when more than the total
// is done.
uint32_t EstimateRemaining(uint32_t elapsed, uint64_t done, uint64_t total);

// Starts the display of a new job: no progress line is open.
void BeginProgressDisplay();

void OnJoinProgress();
void OnJoinPaused();

#endif
