// The portable code's opaque window handles are Win32 window handles.
#ifndef SELVANORE_APPS_WINDOW_JOINER_HANDLES_H
#define SELVANORE_APPS_WINDOW_JOINER_HANDLES_H

#include <windows.h>

#include "ui/view.h"

inline HWND Hwnd(ViewWindow window) { return reinterpret_cast<HWND>(window); }

// The dialog's own message: show the progress the worker's last message
// left (ScheduleProgressDisplay). Above the worker's messages (WM_USER + 1
// to + 5).
const UINT WM_SHOW_PROGRESS = WM_APP + 1;
inline ViewWindow View(HWND window) { return reinterpret_cast<ViewWindow>(window); }

#endif
