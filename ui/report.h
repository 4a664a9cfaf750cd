// The report box and the main window's title: the report is only appended to
// or shortened at its end.
#ifndef SELVANORE_UI_REPORT_H
#define SELVANORE_UI_REPORT_H

#include <cstdint>

// Length of the pause notice "  ** PAUSA **".
const uint32_t PAUSE_NOTICE_LENGTH = 13;
#define PAUSE_NOTICE "  ** PAUSA **"

// Capacity of a status title, terminator included.
const uint32_t kTitleCapacity = 50;

// Appends text at the end of the report box, without a line break.
void AppendReportText(const char* text);
// Formats a line into g_join.lineText (at most 519 characters) and appends
// it followed by "\r\n". The empty format gives a blank line.
void AppendReportLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Removes the last count characters, which the caller appended itself.
void TrimReportTail(uint32_t count);
// Sets the main window's title to "<progressPercent>% - <status>", at most 49
// characters.
void SetTitleStatus(const char* status);

#endif
