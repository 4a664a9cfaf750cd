// The Windows program: its entry, the main window that hosts the join
// dialog, and the dialog procedure. The windows are Unicode windows: every
// text reaches them in UTF-16, converted from the program's UTF-8.
#include <windows.h>

#include <string>

#include "format/checksum_list.h"
#include "format/name_record.h"
#include "format/record_layout.h"
#include "hash/checksum_kinds.h"
#include "join/join_state.h"
#include "join/sink.h"
#include "join/survey.h"
#include "text/text.h"
#include "platform/platform.h"
#include "platform/win32/wide.h"
#include "res/resource.h"
#include "version.h"
#include "ui/dialog.h"
#include "ui/dialog_record.h"
#include "ui/progress.h"
#include "apps/window_joiner/handles.h"
#include "apps/window_joiner/texts.h"

namespace {

const uint32_t kShellTextCapacity = 100;

// The shell's own state, beside JoinState and the dialog's record.
wchar_t g_windowTitle[kShellTextCapacity];
wchar_t g_windowClassName[kShellTextCapacity];
HINSTANCE g_instance;

INT_PTR CALLBACK JoinDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitJoinDialog(View(dialog));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_START: OnStartButton(); return TRUE;
                case IDC_CANCEL: OnCancelButton(); return TRUE;
                default: return FALSE;
            }
        case WM_SHOW_PROGRESS:
            ShowPendingDisplay();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            // The read-only report box is white except while a pause is asked.
            if (ReportBoxIsWhite() && reinterpret_cast<HWND>(lParam) == Hwnd(g_dialog.reportBox)) {
                return reinterpret_cast<INT_PTR>(g_join.reportBrush);
            }
            return FALSE;
        default:
            return DispatchWorkerMessage(message) ? TRUE : FALSE;
    }
}

void ReleaseResources() {
    if (g_dialog.window != nullptr) DestroyWindow(Hwnd(g_dialog.window));
    g_dialog.window = nullptr;
    ReleaseJob();
    PostQuitMessage(0);
}

// Sizes the main window so that its client area is exactly the dialog, and
// centres it on the primary screen.
void CentreMainWindow(HWND window) {
    RECT dialog, outer, client;
    GetWindowRect(Hwnd(g_dialog.window), &dialog);
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int frameWidth = (outer.right - outer.left) - (client.right - client.left);
    int frameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
    int width = (dialog.right - dialog.left) + frameWidth;
    int height = (dialog.bottom - dialog.top) + frameHeight;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);
}

// The largest checksum list read: a line of a set's largest part count, with
// room to spare.
const uint32_t kLargestList = 4u << 20;

// The set's checksum list beside the program, NAME.sha256, when it is this
// set's (its name, its number of parts, and with a SHA-256 record the whole
// file's digest): each part is then named when it cannot be read, and
// checked as it is joined. Any other list, or none, changes nothing.
void UseListBeside() {
    const uint8_t* own = GetOwnRecord();
    if (own == nullptr) return;
    JoinRecord record;
    DecodeRecord(own, &record);
    std::string exact;
    if (record.partCount < 2 || !ExactOutputName(own, GetOwnNameRecord(), &exact)) return;
    std::string name = exact + ".sha256";
    FileHandle file = OpenPartFile(name.c_str());
    if (file == nullptr) return;
    uint64_t size = 0;
    std::string bytes;
    if (GetFileSize64(file, &size) && size > 0 && size <= kLargestList) {
        bytes.resize(static_cast<size_t>(size));
        uint32_t got = 0;
        if (!ReadFileBlock(file, &bytes[0], static_cast<uint32_t>(size), &got) || got != size) bytes.clear();
    }
    CloseFile(file);
    ChecksumList list;
    ListProblem problem = ListProblem::None;
    size_t line = 0;
    if (bytes.empty() || !ParseChecksumList(bytes, &list, &problem, &line)) return;
    if (list.name != exact || list.partDigests.size() != record.partCount) return;
    if (record.checksumKind == CHECKSUM_SHA256 && list.digest != record.checksumText) return;
    UsePartChecksums(list.partDigests);
}

// A failed start-up is told to the user and releases what was prepared;
// the window is still created, shown at its default place and size, and the
// loop ends on the quit message that the release has posted.
void FailStartUp(HWND window) {
    ShowMessageBox(View(window), kStartUpFailed, TITLE_ERROR, MB_OK);
    ReleaseResources();
}

void OnMainCreate(HWND window) {
    // The record names the parts and the output relative to the program's
    // own folder, where the splitter put them, wherever it was started from.
    if (!UseProgramFolder()) {
        FailStartUp(window);
        return;
    }
    UseListBeside();
    if (!PrepareJob()) {
        FailStartUp(window);
        return;
    }
    HWND dialog = CreateDialogParamW(g_instance, MAKEINTRESOURCEW(IDD_JOIN), window, JoinDialogProc, 0);
    if (dialog == nullptr) {
        // Without its dialog the program has nothing to show.
        FailStartUp(window);
        return;
    }
    g_dialog.window = View(dialog);
    ShowWindow(dialog, SW_SHOW);
    CentreMainWindow(window);
}

void OnMainClose(HWND window) {
    CloseAnswer answer = AnswerCloseRequest();
    if (answer == CloseAnswer::Refuse) {
        ShowMessageBox(g_dialog.window, kCloseRefused, TITLE_ERROR, MB_OK | MB_ICONERROR);
    }
    if (answer == CloseAnswer::Close) DestroyWindow(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: OnMainCreate(window); return 0;
        case WM_DESTROY: ReleaseResources(); return 0;
        case WM_CLOSE: OnMainClose(window); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LARGE));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = g_windowClassName;
    RegisterClassExW(&windowClass);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    g_instance = instance;
    char title[kShellTextCapacity];
    FormatText(title, sizeof title, kMainTitleFormat, SELVANORE_VERSION_TEXT);
    WidenText(title, g_windowTitle, kShellTextCapacity);
    LoadStringW(instance, IDS_WINDOW_CLASS, g_windowClassName, kShellTextCapacity);
    RegisterMainClass(instance);

    HWND window = CreateWindowExW(0, g_windowClassName, g_windowTitle,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    ShowWindow(window, show);
    UpdateWindow(window);

    // The resources define no accelerator table: this is null and no key is translated, as intended.
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN));
    MSG message;
    // No IsDialogMessage: Tab does not move between the dialog's controls, as intended.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(window, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
