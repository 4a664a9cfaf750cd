// What the program's logic needs of a window system. The Windows front end
// implements it over window handles; the tests implement it with model
// controls, recorded message boxes and a UI loop of their own.
#ifndef SELVANORE_UI_VIEW_H
#define SELVANORE_UI_VIEW_H

#include <cstdint>

#include "res/resource.h"

struct ViewWindowTag;
typedef ViewWindowTag* ViewWindow;  // a window or control; null for none

struct ViewBrushTag;
typedef ViewBrushTag* ViewBrush;

// The join dialog's controls, by the ids the resource script gives them.
enum ControlId : int {
    ID_START_BUTTON = IDC_START,
    ID_CANCEL_BUTTON = IDC_CANCEL,
    ID_DELETE_INPUTS_BOX = IDC_DELETE_INPUTS,
    ID_ELAPSED_LABEL = IDC_ELAPSED,
    ID_REMAINING_LABEL = IDC_REMAINING,
    ID_REPORT_BOX = IDC_REPORT,
};

// Message box styles and answers, with the values Windows gives them.
enum BoxStyle : uint32_t {
    BOX_OK = 0x00,
    BOX_YES_NO = 0x04,
    BOX_ICON_ERROR = 0x10,
    BOX_ICON_WARNING = 0x30,
    BOX_DEFAULT_SECOND = 0x100,  // the second button (No) is the default
};

enum BoxAnswer : int {
    ANSWER_OK = 1,
    ANSWER_YES = 6,
    ANSWER_NO = 7,
};

// Shows a modal message box and returns the button pressed.
int ShowMessageBox(ViewWindow owner, const char* text, const char* title, uint32_t style);

// The solid white brush of the report box's background; null on failure.
ViewBrush CreateReportBrush();
void DeleteReportBrush(ViewBrush brush);

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

// Called by the worker: delivers message to the dialog on the user-interface
// thread and returns only after the dialog's handler has run.
void SendToDialog(ViewWindow dialog, uint32_t message);

#endif
