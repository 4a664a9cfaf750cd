// What the program's logic needs of a window system: the job's own needs
// (join/sink.h) and the dialog's controls. The Windows front end implements
// it over window handles; the tests implement it with model controls,
// recorded message boxes and a UI loop of their own.
#ifndef SELVANORE_UI_VIEW_H
#define SELVANORE_UI_VIEW_H

#include <cstdint>

#include "join/sink.h"
#include "res/resource.h"

// The join dialog's controls, by the ids the resource script gives them.
enum ControlId : int {
    ID_START_BUTTON = IDC_START,
    ID_CANCEL_BUTTON = IDC_CANCEL,
    ID_DELETE_INPUTS_BOX = IDC_DELETE_INPUTS,
    ID_ELAPSED_LABEL = IDC_ELAPSED,
    ID_REMAINING_LABEL = IDC_REMAINING,
    ID_REPORT_BOX = IDC_REPORT,
};

// The report box, a multi-line edit control: its text length, the selection,
// and the replacement of the selection (not undoable).
uint32_t GetReportLength(ViewWindow box);
void SetReportSelection(ViewWindow box, uint32_t start, uint32_t end);
void ReplaceReportSelection(ViewWindow box, const char* text);

// The dialog's control id.
ViewWindow GetDialogControl(ViewWindow dialog, int id);
// Lifts the report box's text limit to the most the platform allows.
void LiftReportLimit(ViewWindow box);
// Sets the text of the dialog's control id.
void SetControlText(ViewWindow dialog, int id, const char* text);
void EnableControl(ViewWindow control, bool enable);
bool IsControlChecked(ViewWindow control);
// Sets the title of the dialog's parent, the main window.
void SetMainTitle(ViewWindow dialog, const char* text);
// Invalidates the whole dialog with background erase.
void RepaintDialog(ViewWindow dialog);

// Destroys the dialog's parent, the main window, which ends the program.
void DestroyMainWindow(ViewWindow dialog);

// Has ShowPendingDisplay (ui/progress.h) run on the user-interface thread
// after the handler now running has returned; a window system that cannot
// defer it runs it now.
void ScheduleProgressDisplay(ViewWindow dialog);

#endif
