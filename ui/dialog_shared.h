// What the dialog's two files share (ui/dialog.cpp: the state, the
// commands and the worker's messages; ui/startup_report.cpp: the start-up
// report). Only these files include it.
#ifndef SELVANORE_UI_DIALOG_SHARED_H
#define SELVANORE_UI_DIALOG_SHARED_H

#include <cstdint>
#include <vector>

#include "ui/dialog.h"

void SetDialogState(DialogState state);

// The three controls: disabled before any box of the dialog is shown, so
// that nobody takes a posted click for a command meanwhile.
void EnableControls(bool enable);

// A line of the report that names a part: prefix, the part's name quoted,
// end.
void AppendPartLine(const char* prefix, uint32_t index, const char* end);

// By part, with recovery data: whether the report has said that the part is
// missing or damaged, and that it is being rebuilt.
extern std::vector<uint8_t> g_partTold;
extern std::vector<uint8_t> g_partAnnounced;

// The start-up report, from the record and the survey, and the controls'
// texts; leaves the dialog Ready when Comenzar may start the join, else
// Impossible.
void WriteStartupReport();

#endif
