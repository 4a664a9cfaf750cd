// The progress display: time labels, one progress line per part with a
// 6-character percentage tail rewritten in place, the pause notice, and the
// running title.
#ifndef SELVANORE_UI_PROGRESS_H
#define SELVANORE_UI_PROGRESS_H

#include <cstdint>

// The title's status while a join runs: at the start, on resume and at every
// progress notification.
extern const char kRunningStatus[];
// The title's status while parts are rebuilt from the recovery data.
extern const char kRebuildingStatus[];

// Starts the display of a new job: no progress line is open.
void BeginProgressDisplay();

// The worker's progress message: takes the progress values and asks the
// window system to show them once the handler has returned
// (ScheduleProgressDisplay, ui/view.h), so that the worker goes on while the
// labels, the report and the title are redrawn.
void OnJoinProgress();
// Shows the progress values taken last, if not shown yet. Every other
// message of the worker shows them first, so the report's lines keep their
// order.
void ShowPendingProgress();
// The display the window system was asked for: the progress values taken
// last, if not shown yet, and the report's held edits, in one edit.
void ShowPendingDisplay();
void OnJoinPaused();
// Ends the open progress line, if any: the next progress opens a new one.
void EndProgressLine();

#endif
