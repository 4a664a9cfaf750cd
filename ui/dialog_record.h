// The join dialog's own state, beside the job's JoinState, which holds only
// what the worker and the dialog share: the dialog's window and controls,
// the worker's thread handle and the clock of the running job. Only the
// user-interface thread reads or writes it. Zero at start.
#ifndef SELVANORE_UI_DIALOG_RECORD_H
#define SELVANORE_UI_DIALOG_RECORD_H

#include <cstdint>

#include "platform/platform.h"
#include "ui/view.h"

struct DialogRecord {
    ViewWindow window;
    ViewWindow reportBox;
    ViewWindow startButton;
    ViewWindow cancelButton;
    ViewWindow deleteInputsBox;
    // Set from the start of a worker to the closing handler, which closes it.
    ThreadHandle workerThread;
    uint32_t startTick;  // moved forward by each pause
    uint32_t pauseTick;  // when the worker acknowledged the pause
};

extern DialogRecord g_dialog;

#endif
