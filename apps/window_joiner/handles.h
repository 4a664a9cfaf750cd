// The portable code's opaque window handles are Win32 window handles.
#ifndef SELVANORE_APPS_WINDOW_JOINER_HANDLES_H
#define SELVANORE_APPS_WINDOW_JOINER_HANDLES_H

#include <windows.h>

#include "ui/view.h"

inline HWND Hwnd(ViewWindow window) { return reinterpret_cast<HWND>(window); }
inline ViewWindow View(HWND window) { return reinterpret_cast<ViewWindow>(window); }

#endif
