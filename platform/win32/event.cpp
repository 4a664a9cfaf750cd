// A manual-reset event is a Win32 event; the handle is the value.
#include <windows.h>

#include "platform/platform.h"

EventHandle CreateManualEvent() {
    return reinterpret_cast<EventHandle>(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

void SignalEvent(EventHandle event) { ::SetEvent(reinterpret_cast<HANDLE>(event)); }

void ClearEvent(EventHandle event) { ::ResetEvent(reinterpret_cast<HANDLE>(event)); }

void WaitForEvent(EventHandle event) {
    WaitForSingleObject(reinterpret_cast<HANDLE>(event), INFINITE);
}

void CloseEvent(EventHandle event) { CloseHandle(reinterpret_cast<HANDLE>(event)); }
