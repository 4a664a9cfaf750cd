// The Windows program: its entry, the main window that hosts the join
// dialog, and the dialog procedure.
#include <windows.h>

#include "join/join_state.h"
#include "join/sink.h"
#include "join/survey.h"
#include "join/text.h"
#include "res/resource.h"
#include "version.h"
#include "ui/dialog.h"
#include "ui/win32/handles.h"

namespace {

const uint32_t kShellTextCapacity = 100;

// The shell's own state, beside JoinState.
char g_windowTitle[kShellTextCapacity];
char g_windowClassName[kShellTextCapacity];
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
        case WM_CTLCOLORSTATIC:
            // The read-only report box is white except while a pause is asked.
            if (ReportBoxIsWhite() && reinterpret_cast<HWND>(lParam) == Hwnd(g_join.reportBox)) {
                return reinterpret_cast<INT_PTR>(g_join.reportBrush);
            }
            return FALSE;
        default:
            return DispatchWorkerMessage(message) ? TRUE : FALSE;
    }
}

void ReleaseResources() {
    if (g_join.dialogWindow != nullptr) DestroyWindow(Hwnd(g_join.dialogWindow));
    g_join.dialogWindow = nullptr;
    ReleaseJob();
    PostQuitMessage(0);
}

// Sizes the main window so that its client area is exactly the dialog, and
// centres it on the primary screen.
void CentreMainWindow(HWND window) {
    RECT dialog, outer, client;
    GetWindowRect(Hwnd(g_join.dialogWindow), &dialog);
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

// A failed start-up is told to the user and releases what was prepared;
// the window is still created, shown at its default place and size, and the
// loop ends on the quit message that the release has posted.
void FailStartUp(HWND window) {
    MessageBoxA(window, "Error al iniciar.", TITLE_ERROR, MB_OK);
    ReleaseResources();
}

void OnMainCreate(HWND window) {
    if (!PrepareJob()) {
        FailStartUp(window);
        return;
    }
    HWND dialog = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_JOIN), window, JoinDialogProc, 0);
    if (dialog == nullptr) {
        // Without its dialog the program has nothing to show.
        FailStartUp(window);
        return;
    }
    g_join.dialogWindow = View(dialog);
    ShowWindow(dialog, SW_SHOW);
    CentreMainWindow(window);
}

void OnMainClose(HWND window) {
    CloseAnswer answer = AnswerCloseRequest();
    if (answer == CloseAnswer::Refuse) {
        MessageBoxA(Hwnd(g_join.dialogWindow),
                    "Concatenación en progreso. Cancele o espere hasta que termine para salir de la "
                    "aplicación.",
                    TITLE_ERROR, MB_OK | MB_ICONERROR);
    }
    if (answer == CloseAnswer::Close) DestroyWindow(window);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: OnMainCreate(window); return 0;
        case WM_DESTROY: ReleaseResources(); return 0;
        case WM_CLOSE: OnMainClose(window); return 0;
        default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

void RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_LARGE));
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = g_windowClassName;
    RegisterClassExA(&windowClass);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    g_instance = instance;
    FormatText(g_windowTitle, sizeof g_windowTitle, "Vantorel %s - Modulo de auto-concatenación",
               SELVANORE_VERSION_TEXT);
    LoadStringA(instance, IDS_WINDOW_CLASS, g_windowClassName, sizeof g_windowClassName);
    RegisterMainClass(instance);

    HWND window = CreateWindowExA(0, g_windowClassName, g_windowTitle,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    ShowWindow(window, show);
    UpdateWindow(window);

    // The resources define no accelerator table: this is null and no key is translated, as intended.
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
    MSG message;
    // No IsDialogMessage: Tab does not move between the dialog's controls, as intended.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(window, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
