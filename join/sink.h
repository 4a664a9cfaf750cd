// What the join job needs of the user interface, and no more: opaque window
// and brush handles, modal message boxes, the report box's brush and the
// worker's synchronous message to the dialog. The job declares it; the user
// interface implements it (apps/window_joiner/win32_view.cpp, the terminal
// joiner's terminal_view.cpp, and stand-ins in tests), so the
// job never depends on the user interface.
#ifndef SELVANORE_JOIN_SINK_H
#define SELVANORE_JOIN_SINK_H

#include <cstdint>

struct ViewWindowTag;
typedef ViewWindowTag* ViewWindow;  // a window or control; null for none

struct ViewBrushTag;
typedef ViewBrushTag* ViewBrush;

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

// Titles of the program's message boxes.
#define TITLE_ERROR "Vantorel - Error"
#define TITLE_WARNING "Vantorel - Advertencia"

// Capacity of a message box's text, terminator included.
const uint32_t kMessageCapacity = 1040;

// Shows a modal message box and returns the button pressed (0 when the box
// could not be shown).
int ShowMessageBox(ViewWindow owner, const char* text, const char* title, uint32_t style);

// The solid white brush of the report box's background; null on failure.
ViewBrush CreateReportBrush();
void DeleteReportBrush(ViewBrush brush);

// Called by the worker: delivers message to the dialog on the user-interface
// thread and returns only after the dialog's handler has run.
void SendToDialog(ViewWindow dialog, uint32_t message);

#endif
