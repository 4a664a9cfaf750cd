// Vantorel.exe's dialog: its texts through the wide calls, the file chosen
// (by "Examinar...", a drop or the argument), the folder, and which choices
// are on. Every text is texts.h's.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include "apps/split_window/texts.h"
#include "apps/split_window/window.h"
#include "hash/checksum_kinds.h"
#include "platform/paths.h"
#include "res/vantorel_resource.h"
#include "text/unicode.h"

SplitWindow g_window;

namespace {

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

void AddItem(int id, const char* text) {
    SendDlgItemMessageW(g_window.dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(Widen(text))));
}

void ShowOutDir() {
    std::wstring folder =
        g_window.outDir.empty() && !g_window.file.empty() ? FolderOf(g_window.file) : g_window.outDir;
    SetDlgItemTextW(g_window.dialog, IDC_OUT_DIR, folder.c_str());
}

}  // namespace

// ---- Texts to the wide calls ---------------------------------------------

void SetText(int id, const std::u16string& text) { SetDlgItemTextW(g_window.dialog, id, Wide(text)); }
void SetText(int id, const char* text) { SetText(id, Widen(text)); }

int Box(const std::u16string& text, const char* title, UINT style) {
    return MessageBoxW(g_window.main, Wide(text), Wide(Widen(title)), style);
}

std::string Utf8Of(const std::wstring& wide) {
    return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(wide.c_str()), wide.size()));
}

std::wstring FolderOf(const std::wstring& path) {
    std::u16string folder;
    Utf8ToUtf16(DirectoryName(Utf8Of(path)), &folder);
    return std::wstring(folder.begin(), folder.end());
}

std::string TextOf(int id) {
    wchar_t text[256];
    GetDlgItemTextW(g_window.dialog, id, text, 256);
    return Utf8Of(text);
}

int Selected(int id) {
    LRESULT index = SendDlgItemMessageW(g_window.dialog, id, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? 0 : static_cast<int>(index);
}

// ---- The dialog's state --------------------------------------------------

bool Running() { return g_window.worker != nullptr; }

// The amount and its unit count only for a size of one's own or a number of
// parts; the unit only for a size.
void ShowCutKind() {
    size_t kind = static_cast<size_t>(Selected(IDC_CUT_KIND));
    bool own = kind == kCutPresetCount;
    bool parts = kind == kCutPresetCount + 1;
    SetText(IDC_AMOUNT_LABEL, parts ? kPartCountAmountLabel : kPartSizeLabel);
    EnableWindow(GetDlgItem(g_window.dialog, IDC_AMOUNT), !Running() && (own || parts));
    EnableWindow(GetDlgItem(g_window.dialog, IDC_UNIT), !Running() && own);
}

void EnableChoices() {
    bool idle = !Running();
    for (int id : {IDC_BROWSE_FILE, IDC_CUT_KIND, IDC_CHECKSUM, IDC_RECOVERY, IDC_BROWSE_DIR}) {
        EnableWindow(GetDlgItem(g_window.dialog, id), idle);
    }
    EnableWindow(GetDlgItem(g_window.dialog, IDC_CUT), idle && !g_window.file.empty());
    EnableWindow(GetDlgItem(g_window.dialog, IDC_STOP), !idle && !g_window.closeWhenDone);
    ShowCutKind();
}

void ResetClock() {
    SetText(IDC_SPLIT_ELAPSED, ElapsedText(kNoClock));
    SetText(IDC_SPLIT_REMAINING, RemainingText(kNoClock));
}

void UseFile(const std::wstring& file) {
    if (Running()) return;
    g_window.file = file;
    SetDlgItemTextW(g_window.dialog, IDC_FILE, file.c_str());
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data) &&
        !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetText(IDC_FILE_INFO, FileSizeText((uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow));
    } else {
        // The job says why, in its words, when it is cut.
        SetText(IDC_FILE_INFO, "");
    }
    SendDlgItemMessageW(g_window.dialog, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    SetText(IDC_STATUS, kChooseTheCut);
    ResetClock();
    ShowOutDir();
    EnableChoices();
}

// ---- The file and the folder ------------------------------------------------

void BrowseFile() {
    wchar_t name[32768] = L"";
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = g_window.main;
    std::u16string filter = Widen(kAllFiles) + u'\0' + u"*.*" + u'\0';
    dialog.lpstrFilter = Wide(filter);
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name / sizeof name[0];
    std::u16string title = Widen(kFileDialogTitle);
    dialog.lpstrTitle = Wide(title);
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (GetOpenFileNameW(&dialog)) UseFile(name);
}

void BrowseFolder() {
    std::u16string title = Widen(kFolderDialogTitle);
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

// ---- The dialog's texts and choices --------------------------------------------

void InitDialog(HWND dialog) {
    g_window.dialog = dialog;
    SetText(IDC_FILE_LABEL, kFileLabel);
    SetText(IDC_BROWSE_FILE, kBrowse);
    SetText(IDC_FILE_INFO, kChooseAFile);
    SetText(IDC_CUT_LABEL, kCutLabel);
    for (const char* label : kCutPresetLabels) AddItem(IDC_CUT_KIND, label);
    AddItem(IDC_CUT_KIND, kOwnSizeLabel);
    AddItem(IDC_CUT_KIND, kPartCountLabel);
    SendDlgItemMessageW(dialog, IDC_CUT_KIND, CB_SETCURSEL, 0, 0);
    for (const char* label : kSizeUnitLabels) AddItem(IDC_UNIT, label);
    SendDlgItemMessageW(dialog, IDC_UNIT, CB_SETCURSEL, kDefaultSizeUnit, 0);
    SetText(IDC_AMOUNT, "");
    SetText(IDC_CHECKSUM_LABEL, kChecksumLabel);
    for (uint32_t kind = CHECKSUM_MD5; kind < kChecksumKindCount; ++kind) {
        AddItem(IDC_CHECKSUM, kChecksumKinds[kind].display);
    }
    SendDlgItemMessageW(dialog, IDC_CHECKSUM, CB_SETCURSEL, CHECKSUM_SHA256 - CHECKSUM_MD5, 0);
    SetText(IDC_RECOVERY_LABEL, kRecoveryLabel);
    for (const char* label : kRecoveryChoiceLabels) AddItem(IDC_RECOVERY, label);
    SendDlgItemMessageW(dialog, IDC_RECOVERY, CB_SETCURSEL, 0, 0);
    SetText(IDC_OUT_DIR_LABEL, kOutDirLabel);
    SetText(IDC_BROWSE_DIR, kBrowse);
    SendDlgItemMessageW(dialog, IDC_PROGRESS, PBM_SETRANGE32, 0, kProgressRange);
    ResetClock();
    SetText(IDC_STATUS, "");
    SetText(IDC_CUT, kCutButton);
    SetText(IDC_STOP, kStopButton);
    DragAcceptFiles(dialog, TRUE);
    EnableChoices();
}
