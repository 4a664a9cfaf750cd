// Vantorel.exe: the splitter in a window. The file comes from "Examinar...",
// from a drop on the window or as the one argument (a drop on the program's
// icon, "Enviar a"); the cut, the checksum and the output folder are chosen
// in the dialog (dialog.cpp), and "Cortar" runs the splitter's job on a
// worker thread (cut.cpp). Every text is texts.h's, UTF-8 through the wide
// calls; names come and go in UTF-16.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "apps/split_window/texts.h"
#include "apps/split_window/window.h"
#include "res/vantorel_resource.h"

namespace {

INT_PTR CALLBACK SplitDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: InitDialog(dialog); return TRUE;
        case WM_DROPFILES: OnDrop(reinterpret_cast<HDROP>(wParam)); return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_BROWSE_FILE: if (!Running()) BrowseFile(); return TRUE;
                case IDC_BROWSE_DIR: if (!Running()) BrowseFolder(); return TRUE;
                case IDC_CUT: StartCut(); return TRUE;
                case IDC_STOP: StopCut(); return TRUE;
                case IDC_CUT_KIND:
                    if (HIWORD(wParam) == CBN_SELCHANGE) ShowCutKind();
                    return TRUE;
                default: return FALSE;
            }
        default: return FALSE;
    }
}

void CentreMainWindow(HWND window) {
    RECT dialog, outer, client;
    GetWindowRect(g_window.dialog, &dialog);
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    int width = (dialog.right - dialog.left) + (outer.right - outer.left) - (client.right - client.left);
    int height = (dialog.bottom - dialog.top) + (outer.bottom - outer.top) - (client.bottom - client.top);
    MoveWindow(window, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, TRUE);
}

void OnClose(HWND window) {
    if (!Running()) {
        DestroyWindow(window);
        return;
    }
    if (g_window.closeWhenDone) return;
    int answer = Box(Widen(kCloseQuestion), kTitleQuestion, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    // The cut may have ended while the box was open: its message waits.
    if (answer != IDYES) return;
    if (!Running()) {
        DestroyWindow(window);
        return;
    }
    g_window.closeWhenDone = true;
    StopCut();
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            g_window.main = window;
            HWND dialog = CreateDialogParamW(g_window.instance, MAKEINTRESOURCEW(IDD_SPLIT), window,
                                             SplitDialogProc, 0);
            if (dialog == nullptr) return -1;
            ShowWindow(dialog, SW_SHOW);
            CentreMainWindow(window);
            DragAcceptFiles(window, TRUE);
            return 0;
        }
        case WM_DROPFILES: OnDrop(reinterpret_cast<HDROP>(wParam)); return 0;
        case WM_SPLIT_PROGRESS: OnProgressMessage(); return 0;
        case WM_SPLIT_DONE: OnDone(); return 0;
        case WM_TIMER: ShowClock(); return 0;
        case WM_CLOSE: OnClose(window); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    g_window.instance = instance;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);

    wchar_t className[100];
    LoadStringW(instance, IDS_SPLIT_WINDOW_CLASS, className, 100);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SPLIT_LARGE));
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SPLIT_SMALL));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);

    std::u16string title = Widen(kWindowTitle);
    HWND window = CreateWindowExW(WS_EX_ACCEPTFILES, className, reinterpret_cast<const wchar_t*>(title.c_str()),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;

    // The one argument: the file dropped on the program's icon or sent to it.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr) {
        if (argc >= 2) UseFile(argv[1]);
        LocalFree(argv);
    }
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(g_window.dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    CoUninitialize();
    return static_cast<int>(message.wParam);
}
