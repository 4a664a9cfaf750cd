// The join dialog's logic: the dialog's state, the commands and the dispatch
// of the worker's messages (ui/dialog.cpp), and the start-up report with its
// size warning (ui/startup_report.cpp).
#ifndef SELVANORE_UI_DIALOG_H
#define SELVANORE_UI_DIALOG_H

#include <cstdint>

#include "ui/view.h"

// The dialog's state. Every command and every message of the worker is
// checked against it, never against the controls' enabled bits: a click
// posted to a disabled button still reaches the dialog.
enum class DialogState {
    Impossible,  // nothing to join (no parts named, or parts unreadable)
    Ready,       // Comenzar starts the join
    Asking,      // a box of the start is open (a warning, the replace question, a failure)
    Running,     // a worker runs
    PauseAsked,  // a pause is asked, the worker has not stopped yet
    Paused,      // the worker waits at a pause point
    Cancelling,  // a cancel is asked, the worker has not ended yet
    Closing,     // a closing handler runs, its boxes included
    Ended,       // the join is over: only Salida is left
};
DialogState GetDialogState();

// What a close request to the main window does: close in Impossible, Ready
// and Ended; be ignored while a box of the dialog is open (Asking, Closing),
// the box being answered first; be refused with a box while a worker runs.
enum class CloseAnswer { Close, Ignore, Refuse };
CloseAnswer AnswerCloseRequest();

// The main window's title, with the program's version, and the box of a
// start-up that failed: the same words in every face of the joiner.
extern const char kMainTitleFormat[];
extern const char kStartUpFailed[];

// Records the dialog and its controls in g_dialog and writes the start-up
// report (with the size warning when the parts' total is not the recorded
// size).
void InitJoinDialog(ViewWindow dialog);

// Comenzar: in Ready starts the job, in Running asks for a pause, in Paused
// resumes; ignored in every other state.
void OnStartButton();
// Anular: in Running or Paused asks the job to stop; in Impossible, Ready
// and Ended ends the program; ignored in every other state.
void OnCancelButton();

// Hands one of the worker's messages to its handler while a worker runs,
// and only the message the worker sent (TakeJobMessage); true for any of
// the worker's message numbers, handled or not, false for any other.
bool DispatchWorkerMessage(uint32_t message);

// Whether the report box takes its white brush: not while a pause is asked.
bool ReportBoxIsWhite();

#endif
