// The join dialog's logic: the start-up report, the buttons' state machine
// and the dispatch of the worker's messages.
#ifndef SELVANORE_UI_DIALOG_H
#define SELVANORE_UI_DIALOG_H

#include <cstdint>

#include "ui/view.h"

// Records the dialog and its controls in g_join and writes the start-up
// report.
void InitJoinDialog(ViewWindow dialog);
void WriteStartupReport();

// Start: starts the job, asks for a pause, or resumes.
void OnStartButton();
// Cancel: asks the job to stop, or ends the program when none runs.
void OnCancelButton();

// Hands one of the worker's messages to its handler; false for any other.
bool DispatchWorkerMessage(uint32_t message);

// Whether the report box takes its white brush: not while a pause is asked.
bool ReportBoxIsWhite();

#endif
