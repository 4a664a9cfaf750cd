// What the files of Vantorel.exe share: the window's own state, touched
// only on its thread, and the dialog's helpers (dialog.cpp) that the cut
// (cut.cpp) and the windows (main.cpp) use.
#ifndef SELVANORE_APPS_SPLIT_WINDOW_WINDOW_H
#define SELVANORE_APPS_SPLIT_WINDOW_WINDOW_H

#include <windows.h>

#include <string>

#include "apps/split_window/choices.h"
#include "platform/platform.h"

// The worker's messages to the window.
const UINT WM_SPLIT_PROGRESS = WM_APP + 1;
const UINT WM_SPLIT_DONE = WM_APP + 2;
// The timer that shows the clock while a cut runs.
const UINT_PTR kClockTimer = 1;
// The progress bar's range.
const int kProgressRange = 1000;

// What the worker and the window share (cut.cpp).
struct SplitShared;

struct SplitWindow {
    HINSTANCE instance = nullptr;
    HWND main = nullptr;
    HWND dialog = nullptr;
    std::wstring file;
    std::wstring outDir;  // empty: beside the file
    ThreadHandle worker = nullptr;
    SplitShared* shared = nullptr;
    CutChoice choice;
    DWORD startTick = 0;
    bool recovering = false;  // the cut's recovery pass has begun
    DWORD phaseTick = 0;      // when it began
    bool closeWhenDone = false;
};

extern SplitWindow g_window;

// ---- dialog.cpp ------------------------------------------------------------------

// Texts to the wide calls: a control's text, a box over the main window.
void SetText(int id, const std::u16string& text);
void SetText(int id, const char* text);
int Box(const std::u16string& text, const char* title, UINT style);
// A wide name as UTF-8, and the folder of a file by the system's rule.
std::string Utf8Of(const std::wstring& wide);
std::wstring FolderOf(const std::wstring& path);
// A control's text in UTF-8, and the item selected in a combo box.
std::string TextOf(int id);
int Selected(int id);

bool Running();
// Enables the choices while no cut runs, and the amount and its unit as
// the cut's kind wants them.
void EnableChoices();
void ResetClock();
// Takes the file to cut: shows it, its size and its folder.
void UseFile(const std::wstring& file);
void BrowseFile();
void BrowseFolder();
void OnDrop(HDROP drop);
// Fills the dialog's texts and choices.
void InitDialog(HWND dialog);
// The amount's label and state for the kind of cut selected.
void ShowCutKind();

// ---- cut.cpp ----------------------------------------------------------------------

// "Cortar": runs the job on a worker thread.
void StartCut();
// "Anular": asks the job to stop; it removes what it made.
void StopCut();
// The timer's clock, the worker's progress and its end.
void ShowClock();
void OnProgressMessage();
void OnDone();

#endif
