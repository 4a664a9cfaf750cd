// The report box, the main window's title and the dialog's message boxes: the
// report is only appended to or shortened at its end.
#ifndef SELVANORE_UI_REPORT_H
#define SELVANORE_UI_REPORT_H

#include <cstdint>

// Length of the pause notice "  ** PAUSA **".
const uint32_t PAUSE_NOTICE_LENGTH = 13;
#define PAUSE_NOTICE "  ** PAUSA **"

// From HoldReport to ReleaseReport, appends and tail replacements are kept
// and then made in one edit; ShowDialogBox makes it first.
void HoldReport();
void ReleaseReport();
// Ends the hold with the next display (ShowPendingDisplay, ui/progress.h),
// which the window system makes once the handler now running has returned:
// a handler the worker waits for then returns without an edit.
void ReleaseReportLater();

// Shows a modal message box over the dialog and returns the button pressed
// (0 when the box could not be shown). What is held is added first, which
// ends the hold: a box never hides lines written before it.
int ShowDialogBox(const char* text, const char* title, uint32_t style);

// Appends text at the end of the report box, without a line break.
void AppendReportText(const char* text);
// Formats a line (at most 519 characters) and appends it followed by
// "\r\n", in one edit. The empty format gives a blank line.
void AppendReportLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Replaces the last count characters, which the caller appended itself, with
// text, in one edit of the report box.
void ReplaceReportTail(uint32_t count, const char* text);
// Removes the last count characters, which the caller appended itself.
void TrimReportTail(uint32_t count);
// Sets the main window's title to "<progressPercent>% - <status>", at most 49
// characters; SetTitleStatusAt with another percentage.
void SetTitleStatus(const char* status);
void SetTitleStatusAt(uint32_t percent, const char* status);

// The word after a byte count: "byte." for 0 and 1, else "bytes.".
const char* BytesWord(uint64_t count);

#endif
