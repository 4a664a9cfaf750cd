// The command line's process on Windows: the wide command line, the
// standard streams as characters on a console (bytes otherwise), the
// console's control events as interruptions, and the console of its own
// that Explorer opens for a program started from it.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "platform/console.h"
#include "platform/win32/file_handle.h"
#include "text/unicode.h"

namespace {

volatile LONG g_interrupted = 0;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    InterlockedExchange(&g_interrupted, 1);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // Windows ends the process once this returns: the main thread sees
        // the flag, removes the outputs and ends the process itself.
        Sleep(INFINITE);
    }
    return TRUE;
}

}  // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8Of(wide[i], std::wcslen(wide[i])));
    LocalFree(wide);
    return arguments;
}

int WriteToStream(StandardStream stream, const std::string& text, SystemError* error) {
    FILE* file = stream == StandardStream::Output ? stdout : stderr;
    HANDLE handle = GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    std::u16string utf16;
    if (!IsConsole(handle) || !Utf8ToUtf16(text, &utf16)) {
        if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
            // A failure of the C runtime, described by errno.
            error->fault = SystemFault::Other;
            error->reason = std::strerror(errno);
            return 0;
        }
        return 1;
    }
    // A console shows characters, whatever its code page.
    std::fflush(file);
    size_t at = 0;
    while (at < utf16.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(utf16.size() - at, 4096));
        // A surrogate pair is written whole.
        if (at + chunk < utf16.size() && utf16[at + chunk - 1] >= 0xD800 && utf16[at + chunk - 1] <= 0xDBFF) {
            --chunk;
        }
        DWORD written = 0;
        if (!WriteConsoleW(handle, utf16.data() + at, chunk, &written, nullptr)) {
            return Failed(error, GetLastError());
        }
        if (written == 0) return Failed(error, ERROR_WRITE_FAULT);
        at += written;
    }
    return 1;
}

void CatchInterruptions() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool Interrupted() { return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0; }

bool ErrorStreamIsTerminal() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

bool SlashAsksForHelp() { return true; }

ConsoleState GetConsoleState() {
    ConsoleState console;
    DWORD processes[2];
    console.processes = GetConsoleProcessList(processes, 2);
    console.output = IsConsole(GetStdHandle(STD_OUTPUT_HANDLE));
    console.input = IsConsole(GetStdHandle(STD_INPUT_HANDLE));
    return console;
}

void WaitForKey() {
    // The outputs are kept or removed by now: the system's own handling
    // ends the program at Ctrl+C or when the window closes.
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    for (;;) {
        INPUT_RECORD record;
        DWORD read = 0;
        if (!ReadConsoleInputW(input, &record, 1, &read)) return;
        if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
    }
}
