// A window system that shows nothing, for measuring the worker alone: the
// messages are counted and return at once.
#include "ui/view.h"

uint32_t g_benchMessages = 0;
uint32_t g_benchLastMessage = 0;

int ShowMessageBox(ViewWindow, const char*, const char*, uint32_t) { return ANSWER_OK; }
ViewBrush CreateReportBrush() { return nullptr; }
void DeleteReportBrush(ViewBrush) {}
uint32_t GetReportLength(ViewWindow) { return 0; }
void SetReportSelection(ViewWindow, uint32_t, uint32_t) {}
void ReplaceReportSelection(ViewWindow, const char*) {}
ViewWindow GetDialogControl(ViewWindow, int) { return nullptr; }
void LiftReportLimit(ViewWindow) {}
void SetControlText(ViewWindow, int, const char*) {}
void EnableControl(ViewWindow, bool) {}
bool IsControlChecked(ViewWindow) { return false; }
void SetMainTitle(ViewWindow, const char*) {}
void RepaintDialog(ViewWindow) {}
void DestroyMainWindow(ViewWindow) {}
void ScheduleProgressDisplay(ViewWindow) {}

void SendToDialog(ViewWindow, uint32_t message) {
    ++g_benchMessages;
    g_benchLastMessage = message;
}
