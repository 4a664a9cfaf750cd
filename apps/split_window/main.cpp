// Vantorel.exe: the splitter in a window. The file comes from "Examinar...",
// from a drop on the window or as the one argument (a drop on the program's
// icon, "Enviar a"); the cut, the checksum and the output folder are chosen
// in the dialog, and "Cortar" runs the splitter's job (tools/split/job.h) on
// a worker thread: its checks, refusals and results are the command line's.
// The window's texts are Windows-1252 (tools/split/window) and reach the
// system through the wide calls; names come and go in UTF-16.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "hash/checksum_kinds.h"
#include "platform/paths.h"
#include "text/cp1252.h"
#include "text/numbers.h"
#include "res/vantorel_resource.h"
#include "split/job.h"
#include "text/unicode.h"
#include "apps/split_window/choices.h"
#include "apps/split_window/texts.h"
#include "version.h"

#ifndef VANTOREL_INSTALLED_JOINER
#define VANTOREL_INSTALLED_JOINER "plantilla\\Selvanore.exe"
#endif
#ifndef VANTOREL_BUILD_JOINER
#define VANTOREL_BUILD_JOINER "Selvanore.exe"
#endif

namespace {

const UINT WM_SPLIT_PROGRESS = WM_APP + 1;
const UINT WM_SPLIT_DONE = WM_APP + 2;
const UINT_PTR kClockTimer = 1;
const int kProgressRange = 1000;

const JoinerPlaces kWindowsJoiner = {VANTOREL_INSTALLED_JOINER, VANTOREL_BUILD_JOINER};

const char kTitleError[] = "Vantorel - Error";
const char kTitleDone[] = "Vantorel - Corte terminado";
const char kTitleQuestion[] = "Vantorel - Advertencia";

// What the worker and the window share: written by the worker under the
// lock (progress) or before it posts WM_SPLIT_DONE (the outcome, the
// warnings), read by the window after.
struct SplitShared {
    CRITICAL_SECTION lock;
    uint64_t done = 0;
    uint64_t total = 0;
    bool progressPosted = false;
    volatile LONG stop = 0;
    SplitRequest request;
    SplitOutcome outcome;
    int succeeded = 0;
    std::vector<SplitWarning> warnings;
};

// The window's own, touched only on its thread.
struct SplitWindow {
    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HWND dialog = nullptr;
    std::wstring file;
    std::wstring outDir;  // empty: beside the file
    HANDLE worker = nullptr;
    SplitShared* shared = nullptr;
    CutChoice choice;
    DWORD startTick = 0;
    bool closeWhenDone = false;
};

SplitWindow g_window;

// ---- Texts to the wide calls ---------------------------------------------

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

void SetText(int id, const std::u16string& text) { SetDlgItemTextW(g_window.dialog, id, Wide(text)); }
void SetText(int id, const char* cp1252) { SetText(id, Widen(cp1252)); }

int Box(const std::u16string& text, const char* title, UINT style) {
    return MessageBoxW(g_window.main, Wide(text), Wide(Widen(title)), style);
}

std::string Utf8Of(const std::wstring& wide) {
    return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(wide.c_str()), wide.size()));
}

// A control's text in Windows-1252 (a character it has no byte for reads
// '?', which no amount holds).
std::string TextOf(int id) {
    wchar_t text[256];
    GetDlgItemTextW(g_window.dialog, id, text, 256);
    std::string out;
    for (const wchar_t* at = text; *at != L'\0'; ++at) {
        int byte = Utf16UnitToWindows1252(static_cast<uint16_t>(*at));
        out += byte < 0 ? '?' : static_cast<char>(byte);
    }
    return out;
}

// The folder of the file, by the system's rule (platform/paths.h).
std::wstring FolderOf(const std::wstring& path) {
    std::u16string folder;
    Utf8ToUtf16(DirectoryName(Utf8Of(path)), &folder);
    return std::wstring(folder.begin(), folder.end());
}

// ---- The dialog's state --------------------------------------------------

int Selected(int id) {
    LRESULT index = SendDlgItemMessageW(g_window.dialog, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? 0 : static_cast<int>(index);
}

void AddItem(int id, const char* cp1252) {
    SendDlgItemMessageW(g_window.dialog, id, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(Wide(Widen(cp1252))));
}

bool Running() { return g_window.worker != nullptr; }

// The amount and its unit count only for a size of one's own or a number of
// parts; the unit only for a size.
void ShowCutKind() {
    size_t kind = static_cast<size_t>(Selected(IDC_CUT_KIND));
    bool own = kind == kCutPresetCount;
    bool parts = kind == kCutPresetCount + 1;
    SetText(IDC_AMOUNT_LABEL, parts ? "Número de partes:" : "Tamaño de cada parte:");
    EnableWindow(GetDlgItem(g_window.dialog, IDC_AMOUNT), !Running() && (own || parts));
    EnableWindow(GetDlgItem(g_window.dialog, IDC_UNIT), !Running() && own);
}

void EnableChoices() {
    bool idle = !Running();
    for (int id : {IDC_BROWSE_FILE, IDC_CUT_KIND, IDC_CHECKSUM, IDC_BROWSE_DIR}) {
        EnableWindow(GetDlgItem(g_window.dialog, id), idle);
    }
    EnableWindow(GetDlgItem(g_window.dialog, IDC_CUT), idle && !g_window.file.empty());
    EnableWindow(GetDlgItem(g_window.dialog, IDC_STOP), !idle && !g_window.closeWhenDone);
    ShowCutKind();
}

void ShowOutDir() {
    std::wstring folder = g_window.outDir.empty() && !g_window.file.empty() ? FolderOf(g_window.file)
                                                                             : g_window.outDir;
    SetDlgItemTextW(g_window.dialog, IDC_OUT_DIR, folder.c_str());
}

void ResetClock() {
    SetText(IDC_SPLIT_ELAPSED, "Tiempo transcurrido : --:--:--");
    SetText(IDC_SPLIT_REMAINING, "Tiempo restante : --:--:--");
}

void UseFile(const std::wstring& file) {
    if (Running()) return;
    g_window.file = file;
    SetDlgItemTextW(g_window.dialog, IDC_FILE, file.c_str());
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        SetText(IDC_FILE_INFO, Widen("Tamaño : ") + Widen(FormatSize(size).text) +
                                   Widen(" bytes (") + Widen(ShortSize(size).c_str()) + u")");
    } else {
        // The job says why, in its words, when it is cut.
        SetText(IDC_FILE_INFO, "");
    }
    SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    SetText(IDC_STATUS, "Elija cómo cortarlo y haga click en [Cortar].");
    ResetClock();
    ShowOutDir();
    EnableChoices();
}

// ---- The worker ------------------------------------------------------------

void OnWarning(void* context, const SplitWarning& warning) {
    static_cast<SplitShared*>(context)->warnings.push_back(warning);
}

void OnProgress(void* context, const SplitProgress& progress) {
    SplitShared* shared = static_cast<SplitShared*>(context);
    EnterCriticalSection(&shared->lock);
    shared->done = progress.done;
    shared->total = progress.total;
    bool post = !shared->progressPosted;
    shared->progressPosted = true;
    LeaveCriticalSection(&shared->lock);
    // One message in flight at most: the window reads the latest values.
    if (post) PostMessageW(g_window.main, WM_SPLIT_PROGRESS, 0, 0);
}

int OnStop(void* context) {
    return InterlockedCompareExchange(&static_cast<SplitShared*>(context)->stop, 0, 0) != 0;
}

DWORD WINAPI SplitWorker(LPVOID parameter) {
    SplitShared* shared = static_cast<SplitShared*>(parameter);
    shared->succeeded = RunSplit(shared->request, &shared->outcome);
    PostMessageW(g_window.main, WM_SPLIT_DONE, 0, 0);
    return 0;
}

// ---- Commands ----------------------------------------------------------------

void BrowseFile() {
    wchar_t name[32768] = L"";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = g_window.main;
    std::u16string filter = Widen("Todos los archivos") + u'\0' + u"*.*" + u'\0';
    dialog.lpstrFilter = Wide(filter);
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name / sizeof name[0];
    std::u16string title = Widen("Archivo que cortar");
    dialog.lpstrTitle = Wide(title);
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (GetOpenFileNameW(&dialog)) UseFile(name);
}

void BrowseFolder() {
    std::u16string title = Widen("Carpeta donde se escriben las partes:");
    BROWSEINFOW info = {};
    info.hwndOwner = g_window.main;
    info.lpszTitle = Wide(title);
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST list = SHBrowseForFolderW(&info);
    if (list == nullptr) return;
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(list, path)) {
        g_window.outDir = path;
        ShowOutDir();
    }
    CoTaskMemFree(list);
}

void StartCut() {
    if (Running() || g_window.file.empty()) return;
    size_t kind = static_cast<size_t>(Selected(IDC_CUT_KIND));
    std::string amount = TextOf(IDC_AMOUNT);
    CutChoice choice;
    AmountProblem problem;
    if (!ChooseCut(kind, amount.c_str(), static_cast<size_t>(Selected(IDC_UNIT)), &choice, &problem)) {
        Box(AmountText(amount.c_str(), problem, kind == kCutPresetCount + 1), kTitleError,
            MB_OK | MB_ICONERROR);
        return;
    }
    SplitShared* shared = new SplitShared;
    InitializeCriticalSection(&shared->lock);
    SplitRequest& request = shared->request;
    request.file = Utf8Of(g_window.file);
    request.byParts = choice.byParts;
    request.parts = choice.parts;
    request.partSize = choice.partSize;
    request.kind = static_cast<uint32_t>(Selected(IDC_CHECKSUM)) + CHECKSUM_MD5;
    request.system = JoinerSystem::Windows;
    request.places = kWindowsJoiner;
    if (!g_window.outDir.empty()) request.outDir = Utf8Of(g_window.outDir);
    request.events.context = shared;
    request.events.warn = OnWarning;
    request.events.progress = OnProgress;
    request.events.stop = OnStop;

    g_window.shared = shared;
    g_window.choice = choice;
    g_window.worker = CreateThread(nullptr, 0, SplitWorker, shared, CREATE_SUSPENDED, nullptr);
    if (g_window.worker == nullptr) {
        DeleteCriticalSection(&shared->lock);
        delete shared;
        g_window.shared = nullptr;
        Box(Widen("No se puede empezar el corte: el sistema no da un hilo de trabajo."), kTitleError,
            MB_OK | MB_ICONERROR);
        return;
    }
    g_window.startTick = GetTickCount();
    SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    SetText(IDC_SPLIT_ELAPSED, "Tiempo transcurrido : 00:00:00");
    SetText(IDC_SPLIT_REMAINING, "Tiempo restante : --:--:--");
    SetText(IDC_STATUS, Widen("Cortando \"") + WidenName(request.file) + Widen("\"..."));
    EnableChoices();
    SetTimer(g_window.main, kClockTimer, 500, nullptr);
    ResumeThread(g_window.worker);
}

void StopCut() {
    if (!Running()) return;
    InterlockedExchange(&g_window.shared->stop, 1);
    SetText(IDC_STATUS, "Anulando el corte...");
    EnableWindow(GetDlgItem(g_window.dialog, IDC_STOP), FALSE);
}

void ShowClock() {
    if (!Running()) return;
    SplitShared* shared = g_window.shared;
    EnterCriticalSection(&shared->lock);
    uint64_t done = shared->done, total = shared->total;
    LeaveCriticalSection(&shared->lock);
    DWORD elapsed = GetTickCount() - g_window.startTick;
    SetText(IDC_SPLIT_ELAPSED, Widen("Tiempo transcurrido : ") + Widen(FormatClock(elapsed / 1000).text));
    // Before the first block nothing tells how long the rest takes.
    std::u16string remaining =
        done == 0 ? Widen("--:--:--") : Widen(FormatClock(EstimateRemaining(elapsed, done, total) / 1000).text);
    SetText(IDC_SPLIT_REMAINING, Widen("Tiempo restante : ") + remaining);
}

void OnProgressMessage() {
    if (!Running()) return;
    SplitShared* shared = g_window.shared;
    EnterCriticalSection(&shared->lock);
    uint64_t done = shared->done, total = shared->total;
    shared->progressPosted = false;
    LeaveCriticalSection(&shared->lock);
    int position = total == 0 ? 0 : static_cast<int>(done * 1.0 * kProgressRange / total);
    SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, position, 0);
}

std::u16string WarningsText(const std::vector<SplitWarning>& warnings) {
    std::u16string text;
    for (const SplitWarning& warning : warnings) text += u"\n\n" + WarningText(warning);
    return text;
}

void OnDone() {
    if (!Running()) return;
    // The worker posted its last message: it is ending.
    WaitForSingleObject(g_window.worker, INFINITE);
    CloseHandle(g_window.worker);
    g_window.worker = nullptr;
    KillTimer(g_window.main, kClockTimer);
    SplitShared* shared = g_window.shared;
    g_window.shared = nullptr;
    ShowClock();
    if (g_window.closeWhenDone) {
        // The outcome removes whatever the run made.
        DeleteCriticalSection(&shared->lock);
        delete shared;
        DestroyWindow(g_window.main);
        return;
    }
    if (shared->succeeded) {
        SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, kProgressRange, 0);
        SetText(IDC_SPLIT_REMAINING, "Tiempo restante : 00:00:00");
        KeepOutputs(&shared->outcome);
        std::wstring folder = g_window.outDir.empty() ? FolderOf(g_window.file) : g_window.outDir;
        std::u16string summary = SummaryText(shared->outcome.result, Utf8Of(folder), g_window.choice);
        const SplitResult& result = shared->outcome.result;
        SetText(IDC_STATUS, Widen("Corte terminado: \"") + WidenName(result.name) + Widen("\" en ") +
                                Widen(FormatSize(result.partCount).text) + Widen(" partes."));
        EnableChoices();
        int answer = Box(summary + WarningsText(shared->warnings) +
                             Widen("\n\n¿Desea abrir la carpeta?"),
                         kTitleDone, MB_YESNO | MB_ICONINFORMATION);
        if (answer == IDYES) {
            ShellExecuteW(g_window.main, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        }
    } else if (shared->outcome.interrupted) {
        SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        SetText(IDC_STATUS, "El corte ha sido anulado: no se ha conservado nada.");
        EnableChoices();
    } else {
        SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
        SetText(IDC_STATUS, "El corte no ha sido posible.");
        EnableChoices();
        Box(FailureText(shared->request.file, shared->outcome.failure), kTitleError,
            MB_OK | MB_ICONERROR);
    }
    DeleteCriticalSection(&shared->lock);
    delete shared;
}

void OnDrop(HDROP drop) {
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count >= 1 && !Running()) {
        UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        DragQueryFileW(drop, 0, &name[0], length + 1);
        name.resize(length);
        UseFile(name);
    }
    DragFinish(drop);
}

// ---- Windows -------------------------------------------------------------------

void InitDialog(HWND dialog) {
    g_window.dialog = dialog;
    SetText(IDC_FILE_LABEL, "Archivo que cortar (también puede arrastrarlo a esta ventana):");
    SetText(IDC_BROWSE_FILE, "Examinar...");
    SetText(IDC_FILE_INFO, "Elija un archivo con [Examinar...].");
    SetText(IDC_CUT_LABEL, "Tamaño de las partes:");
    for (size_t i = 0; i < kCutPresetCount; ++i) AddItem(IDC_CUT_KIND, kCutPresets[i].label);
    AddItem(IDC_CUT_KIND, kOwnSizeLabel);
    AddItem(IDC_CUT_KIND, kPartCountLabel);
    SendDlgItemMessageW(dialog, IDC_CUT_KIND, CB_SETCURSEL, 0, 0);
    for (size_t i = 0; i < kSizeUnitCount; ++i) AddItem(IDC_UNIT, kSizeUnits[i].label);
    SendDlgItemMessageW(dialog, IDC_UNIT, CB_SETCURSEL, kDefaultSizeUnit, 0);
    SetText(IDC_AMOUNT, "");
    SetText(IDC_CHECKSUM_LABEL, "Checksum:");
    for (uint32_t kind = CHECKSUM_MD5; kind < kChecksumKindCount; ++kind) {
        AddItem(IDC_CHECKSUM, kChecksumKinds[kind].display);
    }
    SendDlgItemMessageW(dialog, IDC_CHECKSUM, CB_SETCURSEL, CHECKSUM_SHA256 - CHECKSUM_MD5, 0);
    SetText(IDC_OUT_DIR_LABEL, "Carpeta de salida (por omisión, la del archivo):");
    SetText(IDC_BROWSE_DIR, "Examinar...");
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, kProgressRange);
    ResetClock();
    SetText(IDC_STATUS, "");
    SetText(IDC_CUT, "Cortar");
    SetText(IDC_STOP, "Anular");
    DragAcceptFiles(dialog, TRUE);
    EnableChoices();
}

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
    int answer = Box(Widen("Se está cortando un archivo. ¿Desea anular el corte y salir?\n\n"
                           "No se conservará nada de lo escrito."),
                     kTitleQuestion, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
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

    std::u16string title = Widen("Vantorel " SELVANORE_VERSION_TEXT " - Corte de archivos");
    HWND window = CreateWindowExW(WS_EX_ACCEPTFILES, className, Wide(title),
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
