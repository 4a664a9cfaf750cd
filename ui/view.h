// What the program's logic needs of a window system. The Windows front end
// implements it over window handles; the tests implement it with model
// controls and scripted answers.
#ifndef SELVANORE_UI_VIEW_H
#define SELVANORE_UI_VIEW_H

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

#endif
