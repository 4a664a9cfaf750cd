// The join worker: the thread that rebuilds the output from the parts.
#ifndef SELVANORE_JOIN_WORKER_H
#define SELVANORE_JOIN_WORKER_H

#include <cstdint>

#include "join/sink.h"

// The worker's messages to the dialog, each sent synchronously; their values
// travel in g_join. Exactly one of the first three ends every job.
enum JoinMessage : uint32_t {
    WM_JOIN_DONE = 1025,       // every part copied, output closed, engine finished
    WM_JOIN_CANCELLED = 1026,  // stopped on the user's cancel
    WM_JOIN_FAILED = 1027,     // stopped on a file error, already shown to the user
    WM_JOIN_PROGRESS = 1028,   // new progress values stored
    WM_JOIN_PAUSED = 1029,     // stopped at a pause point, about to wait
    // With recovery data: a rebuild of the parts missing or damaged begins,
    // or begins again with a part found damaged on the way (g_join.recovery
    // says which), and has ended with every one rebuilt.
    WM_JOIN_REBUILDING = 1030,
    WM_JOIN_REBUILT = 1031,
    // With a checksum list or recovery data: the whole file's checksum came
    // out invalid, and the join starts again checking each part by them.
    WM_JOIN_CHECKING = 1032,
};

// Notifications are throttled to one per this many milliseconds.
const uint32_t kProgressInterval = 250;

// Thread entry; the parameter is the dialog window. Always returns 0.
uint32_t JoinWorker(void* dialog);

// On the user-interface thread: whether message is the worker's message in
// flight (the worker marks each before it sends it), which it then no longer
// is. A message of the same number that someone else posted to the dialog is
// not.
bool TakeJobMessage(uint32_t message);

#endif
