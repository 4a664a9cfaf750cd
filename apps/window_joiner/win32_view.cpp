// The program's window-system needs, over Win32 window handles. Texts reach
// the windows through the wide calls, converted from UTF-8, so that
// they read the same on every code page.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <new>

#include "platform/win32/wide.h"
#include "ui/view.h"
#include "apps/window_joiner/handles.h"

int ShowMessageBox(ViewWindow owner, const char* text, const char* title, uint32_t style) {
    wchar_t wideText[kWideCapacity];
    wchar_t wideTitle[kWideCapacity];
    WidenText(text, wideText, kWideCapacity);
    WidenText(title, wideTitle, kWideCapacity);
    return MessageBoxW(Hwnd(owner), wideText, wideTitle, style);
}

ViewBrush CreateReportBrush() {
    return reinterpret_cast<ViewBrush>(CreateSolidBrush(RGB(255, 255, 255)));
}

void DeleteReportBrush(ViewBrush brush) { DeleteObject(reinterpret_cast<HBRUSH>(brush)); }

uint32_t GetReportLength(ViewWindow box) {
    return static_cast<uint32_t>(SendMessageW(Hwnd(box), WM_GETTEXTLENGTH, 0, 0));
}

void SetReportSelection(ViewWindow box, uint32_t start, uint32_t end) {
    SendMessageW(Hwnd(box), EM_SETSEL, start, end);
}

// One replacement for the whole text. Only when no memory can be had for a
// long text does it go in pieces, each inserted at the caret the one before
// left, never splitting a line end.
void ReplaceReportSelection(ViewWindow box, const char* text) {
    size_t length = std::strlen(text);
    wchar_t piece[kWideCapacity];
    wchar_t* whole = length < kWideCapacity ? piece : new (std::nothrow) wchar_t[length + 1];
    if (whole != nullptr) {
        WidenText(text, whole, length + 1);
        SendMessageW(Hwnd(box), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(whole));
        if (whole != piece) delete[] whole;
        return;
    }
    while (*text != '\0') {
        size_t count = WidenText(text, piece, kWideCapacity);
        if (text[count] == '\n' && text[count - 1] == '\r') piece[--count] = L'\0';
        SendMessageW(Hwnd(box), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece));
        text += count;
    }
}

ViewWindow GetDialogControl(ViewWindow dialog, int id) {
    return View(GetDlgItem(Hwnd(dialog), id));
}

void LiftReportLimit(ViewWindow box) { SendMessageW(Hwnd(box), EM_LIMITTEXT, 0, 0); }

namespace {

// Whether the window already shows exactly this text: setting it again would
// only draw it again (under Wine, milliseconds of X11 work for each label,
// four times a second during a join).
bool ShowsText(HWND window, const wchar_t* wide) {
    wchar_t shown[kWideCapacity];
    int length = GetWindowTextW(window, shown, kWideCapacity);
    return length >= 0 && static_cast<size_t>(length) + 1 < kWideCapacity && std::wcscmp(shown, wide) == 0;
}

}  // namespace

void SetControlText(ViewWindow dialog, int id, const char* text) {
    wchar_t wide[kWideCapacity];
    WidenText(text, wide, kWideCapacity);
    HWND control = GetDlgItem(Hwnd(dialog), id);
    if (control != nullptr && ShowsText(control, wide)) return;
    SetDlgItemTextW(Hwnd(dialog), id, wide);
}

void EnableControl(ViewWindow control, bool enable) { EnableWindow(Hwnd(control), enable); }

bool IsControlChecked(ViewWindow control) {
    return SendMessageW(Hwnd(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetMainTitle(ViewWindow dialog, const char* text) {
    wchar_t wide[kWideCapacity];
    WidenText(text, wide, kWideCapacity);
    HWND main = GetParent(Hwnd(dialog));
    if (ShowsText(main, wide)) return;
    SetWindowTextW(main, wide);
}

void RepaintDialog(ViewWindow dialog) { InvalidateRect(Hwnd(dialog), nullptr, TRUE); }

void DestroyMainWindow(ViewWindow dialog) { DestroyWindow(GetParent(Hwnd(dialog))); }

// Posted, so that the worker waiting in its send goes on as soon as the
// handler returns, while the labels, the report and the title are redrawn
// (each costs milliseconds of X11 work under Wine).
void ScheduleProgressDisplay(ViewWindow dialog) { PostMessageW(Hwnd(dialog), WM_SHOW_PROGRESS, 0, 0); }

void SendToDialog(ViewWindow dialog, uint32_t message) { SendMessageW(Hwnd(dialog), message, 0, 0); }
