// The progress display: time labels, one progress line per part with a
// 6-character percentage tail rewritten in place, the pause notice, and the
// running title.
#ifndef SELVANORE_UI_PROGRESS_H
#define SELVANORE_UI_PROGRESS_H

#include <cstdint>

// The title's status while a join runs: at the start, on resume and at every
// progress notification.
extern const char kRunningStatus[];

// Starts the display of a new job: no progress line is open.
void BeginProgressDisplay();

void OnJoinProgress();
void OnJoinPaused();

#endif
