#include "ui/report.h"

#include <cstdarg>

#include "join/join_state.h"
#include "join/text.h"
#include "ui/view.h"

void AppendReportText(const char* text) {
    uint32_t length = GetReportLength(g_join.reportBox);
    SetReportSelection(g_join.reportBox, length, length);
    ReplaceReportSelection(g_join.reportBox, text);
}

void AppendReportLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatTextV(g_join.lineText, kNameCapacity, format, args);
    va_end(args);
    AppendReportText(g_join.lineText);
    AppendReportText("\r\n");
}

void TrimReportTail(uint32_t count) {
    uint32_t length = GetReportLength(g_join.reportBox);
    SetReportSelection(g_join.reportBox, length >= count ? length - count : 0, length);
    ReplaceReportSelection(g_join.reportBox, "");
}

void SetTitleStatus(const char* status) {
    char title[kTitleCapacity];
    FormatText(title, sizeof title, "%u%% - %s", g_join.progressPercent, status);
    SetMainTitle(g_join.dialogWindow, title);
}
