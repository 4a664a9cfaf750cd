// The program's window-system needs, over Win32 window handles.
#include <windows.h>

#include "ui/view.h"
#include "ui/win32/handles.h"

int ShowMessageBox(ViewWindow owner, const char* text, const char* title, uint32_t style) {
    return MessageBoxA(Hwnd(owner), text, title, style);
}

ViewBrush CreateReportBrush() {
    return reinterpret_cast<ViewBrush>(CreateSolidBrush(RGB(255, 255, 255)));
}

void DeleteReportBrush(ViewBrush brush) { DeleteObject(reinterpret_cast<HBRUSH>(brush)); }

uint32_t GetReportLength(ViewWindow box) {
    return static_cast<uint32_t>(SendMessageA(Hwnd(box), WM_GETTEXTLENGTH, 0, 0));
}

void SetReportSelection(ViewWindow box, uint32_t start, uint32_t end) {
    SendMessageA(Hwnd(box), EM_SETSEL, start, end);
}

void ReplaceReportSelection(ViewWindow box, const char* text) {
    SendMessageA(Hwnd(box), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

ViewWindow GetDialogControl(ViewWindow dialog, int id) {
    return View(GetDlgItem(Hwnd(dialog), id));
}

void LiftReportLimit(ViewWindow box) { SendMessageA(Hwnd(box), EM_LIMITTEXT, 0, 0); }

void SetControlText(ViewWindow dialog, int id, const char* text) {
    SetDlgItemTextA(Hwnd(dialog), id, text);
}

void EnableControl(ViewWindow control, bool enable) { EnableWindow(Hwnd(control), enable); }

bool IsControlChecked(ViewWindow control) {
    return SendMessageA(Hwnd(control), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetMainTitle(ViewWindow dialog, const char* text) {
    SetWindowTextA(GetParent(Hwnd(dialog)), text);
}

void RepaintDialog(ViewWindow dialog) { InvalidateRect(Hwnd(dialog), nullptr, TRUE); }

void DestroyMainWindow(ViewWindow dialog) { DestroyWindow(GetParent(Hwnd(dialog))); }

void SendToDialog(ViewWindow dialog, uint32_t message) { SendMessageA(Hwnd(dialog), message, 0, 0); }
