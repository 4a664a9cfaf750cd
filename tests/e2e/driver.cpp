// The end-to-end driver: starts a program (the joiner, or the splitter's
// window with the "window" command) and plays a script against its
// windows as a user would, reading what it shows and failing loudly on the
// first difference, on any message box the script did not expect and on
// time-outs.
//
//   driver.exe [--shots DIR] [--timeout SECONDS] PROGRAM WORKDIR SCRIPT
//
// PROGRAM starts with WORKDIR as its working directory. SCRIPT holds one
// command a line, words separated by blanks, texts in double quotes with the
// escapes \n \r \t \" \\ and \xHH; '#' starts a comment. Texts are compared
// as Windows-1252 bytes, so the script is read as such. The program's texts
// are read in UTF-16, as the system shows them on any code page, and
// converted to Windows-1252; a character it has no byte for reads {U+XXXX},
// and a script writes it so in a text it types or passes.
// The paths of the command line are taken in UTF-16 too. Commands:
//
//   window "CLASS" ID FIRST LAST   the program's main window class and the
//                                  control whose dialog it hosts, and the
//                                  control ids a failure's log shows
//                                  (default "SELVANORE" 1005 1000 1005, the
//                                  joiner; before start)
//   start ["ARG"]                  start PROGRAM, with ARG as its one
//                                  argument when given
//   start-in "DIR"                 start PROGRAM with DIR as its working
//                                  directory instead of WORKDIR
//   expect TARGET OP "TEXT"        check a text now
//   wait TARGET OP "TEXT" [S]      poll until the check holds
//       TARGET: title (the main window) or a control id of the dialog
//       OP: is, has, lacks, starts, ends
//   expect-enabled ID 0|1          wait-enabled ID 0|1 [S]
//   expect-checked ID 0|1          (looked at for up to a second)
//   click ID                       a button click (refused on a disabled one)
//   select ID INDEX                choose item INDEX of a combo box, as a user
//                                  does (CBN_SELCHANGE sent to the dialog;
//                                  refused on a disabled one)
//   type ID "TEXT"                 replace the text of an edit control
//   post-click ID                  BM_CLICK posted to the control whatever its
//                                  state and whatever box is open, as
//                                  automation tools post it
//   post-message NUMBER [WPARAM]   a message posted to the dialog, as anyone
//                                  may post one (1025 is the worker's
//                                  WM_JOIN_DONE, 273 WM_COMMAND)
//   kill                           end the program at once (TerminateProcess),
//                                  as a crash or a power cut would, and wait
//                                  until it is gone
//   close                          a close request to the main window
//   hold "NAME"                    hold a file of WORKDIR open as another
//                                  program does (read, shared for reading
//                                  only: no one may replace or delete it)
//   release                        close the held file
//   expect-box "TITLE" "TEXT" [ANSWER] [S]
//                                  wait for a message box, check it, press
//                                  button ANSWER (default 1, OK)
//   expect-box-has "TITLE" "TEXT" [ANSWER] [S]
//                                  the same for a box whose text holds TEXT
//   expect-code-page CP            check the system's ANSI code page
//   expect-exit CODE [S]           wait for the program to end, check its code
//   expect-exit-hidden CODE [S]    the same, and the main window must not show
//   screenshot NAME                have the caller capture the screen
//   shell NAME                     have the caller run its step NAME (it
//                                  changes files while the program runs)
//   wait-box [S]                   wait for a message box, leaving it open
//   expect-box-default ID [S]      wait for a message box, leaving it open,
//                                  and check that its default button is ID
//   expect-steady TARGET MS        a text that does not change for MS ms
//   expect-file-steady NAME MS     a file of WORKDIR whose size does not
//                                  change for MS ms (NAME may hold wildcards
//                                  that match one file)
//   sleep MS
//   print TARGET                   show a text in the log
//   poll MS                        poll waits every MS ms (default 50)
//   watch OP "TEXT" [S]            wait until the main window's title holds
//                                  the check, reading only the title, which
//                                  the system keeps outside the program: no
//                                  message to the program while it works
//                                  (for benchmarks; boxes and the program's
//                                  end are looked for every half second)
//   mark                           start the stopwatch
//   elapsed NAME                   print "@@elapsed NAME MS", the time since
//                                  mark in milliseconds (for benchmarks)
//
// Every command but the box commands, screenshot and sleep first checks that
// no message box is open, and every wait fails as soon as one opens or the
// program ends.
// A screenshot is taken by the caller: the driver prints
// "@@screenshot NAME X Y W H" (the screen rectangle of the main window and
// any open box) and waits for the file NAME.done in the --shots directory.
// Exit status: 0 when the script ran through, 1 on a failure, 2 on a bad
// command line or script.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "text/cp1252.h"

namespace {

// The program's main window (the "window" command changes them).
std::string g_mainClassName = "SELVANORE";
const char* g_mainClass = "SELVANORE";
long g_dialogMarker = 1005;
long g_dumpFirst = 1000;
long g_dumpLast = 1005;
const char kDialogClass[] = "#32770";
const int kBoxTextId = 0xFFFF;
const DWORD kPollMs = 50;
const UINT kBusyLimitMs = 60000;
const DWORD kBusyNoteMs = 1000;

DWORD g_longestBusyMs = 0;
DWORD g_pollMs = kPollMs;
LARGE_INTEGER g_mark;

DWORD g_defaultTimeoutMs = 30000;
std::string g_failure;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (std::ferror(stdout)) {
        // Nobody reads the log any more: the message must not be lost.
        va_start(args, format);
        std::vfprintf(stderr, format, args);
        va_end(args);
        std::fputc('\n', stderr);
    }
}

bool Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
bool Fail(const char* format, ...) {
    char text[4096];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_failure = text;
    return false;
}

// A text as a quoted literal for the log: controls and the bytes that
// Windows-1252 leaves undefined as escapes, everything else as it is.
std::string Quote(const std::string& text, size_t limit = 600) {
    std::string out = "\"";
    size_t start = text.size() > limit ? text.size() - limit : 0;
    if (start > 0) out = "...\"";
    for (size_t i = start; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        char escape[8];
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F || c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 ||
                   c == 0x9D) {
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// Windows-1252 text (of the script) in UTF-16, for the system's wide calls;
// {U+XXXX} (four to six hexadecimal digits, as Narrow writes a character
// without a byte) is that character, so that a script can type or pass a
// name in any script.
std::wstring Wide(const std::string& text) {
    std::wstring wide;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t close = text.compare(i, 3, "{U+") == 0 ? text.find('}', i) : std::string::npos;
        if (close != std::string::npos && close - i >= 7 && close - i <= 9 &&
            text.find_first_not_of("0123456789ABCDEF", i + 3) == close) {
            unsigned long code = std::strtoul(text.substr(i + 3, close - i - 3).c_str(), nullptr, 16);
            if (code >= 0x10000 && code <= 0x10FFFF) {
                code -= 0x10000;
                wide += static_cast<wchar_t>(0xD800 + (code >> 10));
                wide += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
                i = close;
                continue;
            }
            if (code < 0x10000) {
                wide += static_cast<wchar_t>(code);
                i = close;
                continue;
            }
        }
        wide += static_cast<wchar_t>(Windows1252ToUtf16Unit(static_cast<unsigned char>(text[i])));
    }
    return wide;
}

// UTF-16 text of the system in Windows-1252, for the comparisons and the log:
// a character without a byte reads {U+XXXX}, which no text of the program
// holds, so that it never passes for another one.
std::string Narrow(const std::wstring& wide) {
    std::string text;
    for (size_t i = 0; i < wide.size(); ++i) {
        uint32_t unit = static_cast<uint16_t>(wide[i]);
        int byte = Utf16UnitToWindows1252(static_cast<uint16_t>(unit));
        if (byte >= 0) {
            text += static_cast<char>(byte);
            continue;
        }
        uint32_t character = unit;
        uint32_t next = i + 1 < wide.size() ? static_cast<uint16_t>(wide[i + 1]) : 0;
        if (unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
            character = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        }
        char escape[16];
        std::snprintf(escape, sizeof escape, "{U+%04X}", static_cast<unsigned>(character));
        text += escape;
    }
    return text;
}

// ---- Script ------------------------------------------------------------------

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Splits a script line into words; false with g_failure set on a bad quote
// or escape.
bool Tokenize(const std::string& line, std::vector<std::string>* words) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') break;
        std::string word;
        if (c != '"') {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                word += line[i++];
            }
            words->push_back(word);
            continue;
        }
        ++i;
        bool closed = false;
        while (i < line.size()) {
            char d = line[i++];
            if (d == '"') {
                closed = true;
                break;
            }
            if (d != '\\') {
                word += d;
                continue;
            }
            if (i >= line.size()) return Fail("a backslash ends the line");
            char e = line[i++];
            switch (e) {
                case 'n': word += '\n'; break;
                case 'r': word += '\r'; break;
                case 't': word += '\t'; break;
                case '"': word += '"'; break;
                case '\\': word += '\\'; break;
                case 'x': {
                    int high = i < line.size() ? HexValue(line[i]) : -1;
                    int low = i + 1 < line.size() ? HexValue(line[i + 1]) : -1;
                    if (high < 0 || low < 0) return Fail("\\x needs two hexadecimal digits");
                    word += static_cast<char>(high * 16 + low);
                    i += 2;
                    break;
                }
                default: return Fail("unknown escape \\%c", e);
            }
        }
        if (!closed) return Fail("a quoted text is not closed");
        words->push_back(word);
    }
    return true;
}

bool ParseNumber(const std::string& word, long* value) {
    if (word.empty()) return false;
    char* end = nullptr;
    *value = std::strtol(word.c_str(), &end, 10);
    return *end == '\0';
}

// ---- The program's windows -----------------------------------------------------

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The text of a window of the program, read on the wide side, as a user of
// any code page sees it; titles are read without a message, controls with
// WM_GETTEXT, which the program's thread answers.
bool ReadControlText(HWND window, std::string* text) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kBusyLimitMs,
                             &length)) {
        return Fail("WM_GETTEXTLENGTH got no answer within %u ms", kBusyLimitMs);
    }
    std::vector<wchar_t> buffer(length + 2);
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_NORMAL,
                             kBusyLimitMs, &copied)) {
        return Fail("WM_GETTEXT got no answer within %u ms", kBusyLimitMs);
    }
    buffer.back() = L'\0';
    *text = Narrow(buffer.data());
    return true;
}

std::string TitleOf(HWND window) {
    wchar_t title[1024] = {};
    GetWindowTextW(window, title, 1024);
    return Narrow(title);
}

struct Box {
    HWND window;
    std::string title;
    std::string text;
};

struct Program {
    PROCESS_INFORMATION process = {};
    bool started = false;
    HWND main = nullptr;
    HWND dialog = nullptr;
};

Program g_program;

struct FindState {
    DWORD processId;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    FindState* state = reinterpret_cast<FindState*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == state->processId && IsWindowVisible(window) &&
        ClassOf(window) == state->className) {
        state->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> VisibleTopWindows(const char* className) {
    FindState state = {g_program.process.dwProcessId, className, {}};
    if (g_program.started) EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

// The message boxes the program shows: its visible top-level dialogs.
std::vector<Box> OpenBoxes() {
    std::vector<Box> boxes;
    for (HWND window : VisibleTopWindows(kDialogClass)) {
        Box box = {window, TitleOf(window), ""};
        HWND text = GetDlgItem(window, kBoxTextId);
        if (text == nullptr || !ReadControlText(text, &box.text)) box.text = "(no text control)";
        boxes.push_back(box);
    }
    return boxes;
}

bool FailOnBox() {
    std::vector<Box> boxes = OpenBoxes();
    if (boxes.empty()) return true;
    return Fail("unexpected message box %s: %s", Quote(boxes[0].title).c_str(),
                Quote(boxes[0].text).c_str());
}

bool Exited(DWORD* code) {
    if (WaitForSingleObject(g_program.process.hProcess, 0) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(g_program.process.hProcess, code);
    return true;
}

// What every poll checks: no box open, the program still running.
bool StillUndisturbed() {
    if (!FailOnBox()) return false;
    DWORD code = 0;
    if (Exited(&code)) return Fail("the program has ended, exit code %lu", code);
    return true;
}

// Waits until the program's window thread is between two messages. The
// title and the enabled states are read without a message and may show a
// handler half-way; a message sent to the thread is answered only once the
// handler has returned (or opened a box).
// A thread busy for long is worth a note in the log, and fails the script
// when it is busy for longer than kBusyLimitMs.
bool Sync() {
    DWORD_PTR result = 0;
    if (g_program.main == nullptr) return true;
    DWORD start = GetTickCount();
    if (!SendMessageTimeoutA(g_program.main, WM_NULL, 0, 0, SMTO_NORMAL, kBusyLimitMs, &result)) {
        return Fail("the program's window thread did not answer within %u ms", kBusyLimitMs);
    }
    DWORD busy = GetTickCount() - start;
    if (busy > g_longestBusyMs) g_longestBusyMs = busy;
    if (busy >= kBusyNoteMs) Log("  (the window thread answered after %lu ms)", busy);
    return true;
}

bool RequireStarted() {
    if (!g_program.started) return Fail("the program has not been started (use start)");
    return true;
}

// Finds the main window and the dialog in it, waiting for them to show.
bool FindMain() {
    if (!RequireStarted()) return false;
    if (g_program.main != nullptr && IsWindow(g_program.main) && g_program.dialog != nullptr &&
        IsWindow(g_program.dialog)) {
        return true;
    }
    DWORD start = GetTickCount();
    for (;;) {
        if (!StillUndisturbed()) return false;
        std::vector<HWND> mains = VisibleTopWindows(g_mainClass);
        if (mains.size() > 1) return Fail("the program shows %u main windows", unsigned(mains.size()));
        if (mains.size() == 1) {
            HWND dialog = FindWindowExA(mains[0], nullptr, kDialogClass, nullptr);
            if (dialog != nullptr && GetDlgItem(dialog, static_cast<int>(g_dialogMarker)) != nullptr) {
                g_program.main = mains[0];
                g_program.dialog = dialog;
                return true;
            }
        }
        if (GetTickCount() - start > g_defaultTimeoutMs) {
            return Fail("no visible window of class %s holding its dialog within %lu s",
                        g_mainClass, g_defaultTimeoutMs / 1000);
        }
        Sleep(kPollMs);
    }
}

bool Control(long id, HWND* control) {
    if (!FindMain()) return false;
    *control = GetDlgItem(g_program.dialog, static_cast<int>(id));
    if (*control == nullptr) return Fail("the dialog has no control %ld", id);
    return true;
}

// The text of a target: "title" or a control id.
bool ReadTarget(const std::string& target, std::string* text) {
    if (target == "title") {
        if (!FindMain() || !Sync()) return false;
        *text = TitleOf(g_program.main);
        return true;
    }
    long id = 0;
    if (!ParseNumber(target, &id)) return Fail("unknown target '%s'", target.c_str());
    HWND control = nullptr;
    return Control(id, &control) && ReadControlText(control, text);
}

bool Matches(const std::string& op, const std::string& actual, const std::string& expected,
             bool* result) {
    if (op == "is") {
        *result = actual == expected;
    } else if (op == "has") {
        *result = actual.find(expected) != std::string::npos;
    } else if (op == "lacks") {
        *result = actual.find(expected) == std::string::npos;
    } else if (op == "starts") {
        *result = actual.compare(0, expected.size(), expected) == 0;
    } else if (op == "ends") {
        *result = actual.size() >= expected.size() &&
                  actual.compare(actual.size() - expected.size(), expected.size(), expected) == 0;
    } else {
        return Fail("unknown comparison '%s' (is, has, lacks, starts, ends)", op.c_str());
    }
    return true;
}

// Polls a check until it holds or the time is up; timeoutMs 0 checks once.
template <typename Check>
bool Await(DWORD timeoutMs, Check check, const char* what) {
    DWORD start = GetTickCount();
    for (;;) {
        if (!StillUndisturbed()) return false;
        std::string detail;
        bool holds = false;
        if (!check(&holds, &detail)) return false;
        if (holds) return Sync();
        if (GetTickCount() - start >= timeoutMs) {
            if (timeoutMs == 0) return Fail("%s; %s", what, detail.c_str());
            return Fail("%s within %lu ms; %s", what, timeoutMs, detail.c_str());
        }
        Sleep(g_pollMs);
    }
}

bool CheckText(const std::string& target, const std::string& op, const std::string& expected,
               DWORD timeoutMs) {
    std::string what = "expected " + target + " " + op + " " + Quote(expected);
    return Await(timeoutMs, [&](bool* holds, std::string* detail) {
        std::string actual;
        if (!ReadTarget(target, &actual) || !Matches(op, actual, expected, holds)) return false;
        *detail = "it is " + Quote(actual);
        return true;
    }, what.c_str());
}

// A wait that leaves the program alone while it works: a control's text
// and the thread's answer to Sync both cost the program's window thread a
// message, and polled every few milliseconds they take a share of the
// processors the join runs on. The title of another process's window comes
// from the system. One Sync when the title holds: the handler that set it
// has returned.
bool WatchTitle(const std::string& op, const std::string& expected, DWORD timeoutMs) {
    if (!StillUndisturbed() || !FindMain()) return false;
    const DWORD kLookAroundMs = 500;
    DWORD start = GetTickCount();
    DWORD lookedAround = start;
    for (;;) {
        std::string actual = TitleOf(g_program.main);
        bool holds = false;
        if (!Matches(op, actual, expected, &holds)) return false;
        if (holds) return StillUndisturbed() && Sync();
        DWORD now = GetTickCount();
        if (now - lookedAround >= kLookAroundMs) {
            if (!StillUndisturbed()) return false;
            lookedAround = now;
        }
        if (now - start >= timeoutMs) {
            return Fail("expected title %s %s within %lu ms; it is %s", op.c_str(), Quote(expected).c_str(),
                        timeoutMs, Quote(actual).c_str());
        }
        Sleep(g_pollMs);
    }
}

bool CheckEnabled(long id, long want, DWORD timeoutMs) {
    char what[64];
    std::snprintf(what, sizeof what, "expected control %ld %s", id, want ? "enabled" : "disabled");
    return Await(timeoutMs, [&](bool* holds, std::string* detail) {
        HWND control = nullptr;
        if (!Control(id, &control) || !Sync()) return false;
        bool enabled = IsWindowEnabled(control) != FALSE;
        *holds = enabled == (want != 0);
        *detail = enabled ? "it is enabled" : "it is disabled";
        return true;
    }, what);
}

// ---- Commands --------------------------------------------------------------------

// The paths of the command line, as the system gives them.
struct Options {
    std::wstring shots;
    std::wstring program;
    std::wstring workdir;
    std::wstring script;
};

Options g_options;

// Starts the program in the directory directory.
bool Start(const std::wstring& directory, const std::wstring* argument = nullptr) {
    if (g_program.started) return Fail("the program is already started");
    std::wstring commandLine = L"\"" + g_options.program + L"\"";
    if (argument != nullptr) commandLine += L" \"" + *argument + L"\"";
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessW(g_options.program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, directory.c_str(), &startup, &g_program.process)) {
        return Fail("CreateProcess %s in %s failed, error %lu", Quote(Narrow(g_options.program)).c_str(),
                    Quote(Narrow(directory)).c_str(), GetLastError());
    }
    g_program.started = true;
    return true;
}

bool Click(long id) {
    HWND control = nullptr;
    if (!StillUndisturbed() || !Control(id, &control) || !Sync()) return false;
    if (!IsWindowVisible(control)) return Fail("control %ld is hidden: it cannot be clicked", id);
    if (!IsWindowEnabled(control)) return Fail("control %ld is disabled: it cannot be clicked", id);
    // Posted: a box the click opens must not hold the driver.
    if (!PostMessageA(control, BM_CLICK, 0, 0)) return Fail("PostMessage BM_CLICK failed");
    return true;
}

// A combo box's item chosen as a user chooses it: the selection, then the
// notification its dialog gets.
bool Select(long id, long index) {
    HWND control = nullptr;
    if (!StillUndisturbed() || !Control(id, &control) || !Sync()) return false;
    if (!IsWindowEnabled(control)) return Fail("control %ld is disabled: it cannot be chosen", id);
    if (SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0) == CB_ERR) {
        return Fail("control %ld has no item %ld", id, index);
    }
    // Sent, as the combo box itself sends it when a user picks an item, so
    // that the next step sees what the choice changed (a posted one could
    // still wait in the queue behind the next step's sent messages). A box
    // its handler opened would hold the message until answered: the wait
    // then ends after a while and the script goes on to answer it.
    DWORD_PTR result = 0;
    SendMessageTimeoutW(g_program.dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(control), SMTO_NORMAL, kBusyLimitMs, &result);
    return true;
}

bool Type(long id, const std::string& text) {
    HWND control = nullptr;
    if (!StillUndisturbed() || !Control(id, &control) || !Sync()) return false;
    if (!IsWindowEnabled(control)) return Fail("control %ld is disabled: it cannot be typed in", id);
    std::wstring wide = Wide(text);
    if (!SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()))) {
        return Fail("WM_SETTEXT to control %ld failed", id);
    }
    return true;
}

// No check of the control's state or of open boxes: the message is posted
// as anyone may post it.
bool PostClick(long id) {
    HWND control = nullptr;
    if (!Control(id, &control)) return false;
    if (!PostMessageA(control, BM_CLICK, 0, 0)) return Fail("PostMessage BM_CLICK failed");
    return true;
}

bool PostToDialog(long message, long wParam) {
    if (!FindMain()) return false;
    if (!PostMessageA(g_program.dialog, static_cast<UINT>(message), static_cast<WPARAM>(wParam), 0)) {
        return Fail("PostMessage %ld failed", message);
    }
    return true;
}

bool Kill() {
    if (!RequireStarted()) return false;
    if (!TerminateProcess(g_program.process.hProcess, 9)) {
        return Fail("TerminateProcess failed, error %lu", GetLastError());
    }
    if (WaitForSingleObject(g_program.process.hProcess, 10000) != WAIT_OBJECT_0) {
        return Fail("the program did not end within 10 s of TerminateProcess");
    }
    g_program.main = g_program.dialog = nullptr;
    return true;
}

// A file of WORKDIR held open as another program holds a document: read
// and shared for reading only, so that nobody may replace or delete it
// until release.
HANDLE g_held = INVALID_HANDLE_VALUE;

bool Hold(const std::string& name) {
    if (g_held != INVALID_HANDLE_VALUE) return Fail("a file is held already");
    std::wstring path = g_options.workdir + L"\\" + Wide(name);
    g_held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (g_held == INVALID_HANDLE_VALUE) return Fail("cannot hold %s, error %lu", Quote(name).c_str(), GetLastError());
    return true;
}

bool Release() {
    if (g_held == INVALID_HANDLE_VALUE) return Fail("no file is held");
    CloseHandle(g_held);
    g_held = INVALID_HANDLE_VALUE;
    return true;
}

// Looked at for up to a second: a click just posted to the box waits in the
// queue behind the sent BM_GETCHECK.
bool CheckChecked(long id, long want) {
    HWND control = nullptr;
    if (!StillUndisturbed() || !Control(id, &control)) return false;
    DWORD_PTR state = 0;
    DWORD start = GetTickCount();
    for (;;) {
        if (!SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_NORMAL, kBusyLimitMs, &state)) {
            return Fail("BM_GETCHECK got no answer");
        }
        if ((state == BST_CHECKED) == (want != 0) || GetTickCount() - start >= 1000) break;
        Sleep(g_pollMs);
    }
    if ((state == BST_CHECKED) != (want != 0)) {
        return Fail("expected control %ld %s; it is %s", id, want ? "checked" : "unchecked",
                    state == BST_CHECKED ? "checked" : "unchecked");
    }
    return true;
}

bool Close() {
    if (!StillUndisturbed() || !FindMain()) return false;
    if (!PostMessageA(g_program.main, WM_CLOSE, 0, 0)) return Fail("PostMessage WM_CLOSE failed");
    return true;
}

bool ExpectBox(const std::string& title, const std::string& text, long answer, DWORD timeoutMs,
               bool part = false) {
    if (!RequireStarted()) return false;
    DWORD start = GetTickCount();
    std::vector<Box> boxes;
    for (;;) {
        boxes = OpenBoxes();
        if (!boxes.empty()) break;
        DWORD code = 0;
        if (Exited(&code)) {
            return Fail("the program ended (exit code %lu) without showing the box %s", code,
                        Quote(text).c_str());
        }
        if (GetTickCount() - start >= timeoutMs) {
            return Fail("no message box within %lu ms (expected %s: %s)", timeoutMs,
                        Quote(title).c_str(), Quote(text).c_str());
        }
        Sleep(kPollMs);
    }
    if (boxes.size() > 1) {
        return Fail("%u message boxes at once, the second %s: %s", unsigned(boxes.size()),
                    Quote(boxes[1].title).c_str(), Quote(boxes[1].text).c_str());
    }
    const Box& box = boxes[0];
    bool textHolds = part ? box.text.find(text) != std::string::npos : box.text == text;
    if (box.title != title || !textHolds) {
        return Fail("expected the box %s: %s; got %s: %s", Quote(title).c_str(),
                    Quote(text).c_str(), Quote(box.title).c_str(), Quote(box.text).c_str());
    }
    HWND button = GetDlgItem(box.window, static_cast<int>(answer));
    if (button == nullptr || !IsWindowVisible(button)) {
        return Fail("the box %s has no button %ld", Quote(text).c_str(), answer);
    }
    if (!PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button))) {
        return Fail("PostMessage to the box failed");
    }
    start = GetTickCount();
    while (IsWindow(box.window) && IsWindowVisible(box.window)) {
        if (GetTickCount() - start >= 10000) return Fail("the box stayed open after the answer");
        Sleep(kPollMs);
    }
    return true;
}

// Waits for the end of the program. hidden: the main window must not show
// meanwhile, however briefly (polled every millisecond).
bool ExpectExit(long code, DWORD timeoutMs, bool hidden) {
    if (!RequireStarted()) return false;
    DWORD start = GetTickCount();
    DWORD actual = 0;
    while (!Exited(&actual)) {
        if (hidden && !VisibleTopWindows(g_mainClass).empty()) {
            std::string title = TitleOf(VisibleTopWindows(g_mainClass)[0]);
            return Fail("the main window showed (title %s) %lu ms into the wait for the end",
                        Quote(title).c_str(), GetTickCount() - start);
        }
        if (!FailOnBox()) return false;
        if (GetTickCount() - start >= timeoutMs) {
            return Fail("the program did not end within %lu ms", timeoutMs);
        }
        Sleep(hidden ? 1 : kPollMs);
    }
    if (actual != static_cast<DWORD>(code)) {
        return Fail("the program ended with exit code %lu, expected %ld", actual, code);
    }
    return true;
}

bool WaitBox(DWORD timeoutMs) {
    if (!RequireStarted()) return false;
    DWORD start = GetTickCount();
    while (OpenBoxes().empty()) {
        DWORD code = 0;
        if (Exited(&code)) return Fail("the program ended (exit code %lu) without a box", code);
        if (GetTickCount() - start >= timeoutMs) return Fail("no message box within %lu ms", timeoutMs);
        Sleep(kPollMs);
    }
    return true;
}

// The default button is the one drawn as such (BS_DEFPUSHBUTTON), the one
// Enter presses. Windows also reports it through DM_GETDEFID; Wine's boxes
// keep the template's IDOK there, so the button styles are what is read.
bool ExpectBoxDefault(long id, DWORD timeoutMs) {
    if (!WaitBox(timeoutMs)) return false;
    std::vector<Box> boxes = OpenBoxes();
    if (boxes.size() != 1) return Fail("%u message boxes at once", unsigned(boxes.size()));
    long found = -1;
    for (HWND child = GetWindow(boxes[0].window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(className, "Button") == 0 && (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            if (found != -1) return Fail("the box has two default buttons");
            found = GetDlgCtrlID(child);
        }
    }
    if (found != id) {
        return Fail("the box %s has the default button %ld, expected %ld", Quote(boxes[0].text).c_str(),
                    found, id);
    }
    return true;
}

bool ExpectSteady(const std::string& target, DWORD ms) {
    std::string before, after;
    if (!StillUndisturbed() || !ReadTarget(target, &before)) return false;
    Sleep(ms);
    if (!StillUndisturbed() || !ReadTarget(target, &after)) return false;
    if (before != after) {
        return Fail("%s changed within %lu ms: %s became %s", target.c_str(), ms,
                    Quote(before).c_str(), Quote(after).c_str());
    }
    return true;
}

// The size of the one file of WORKDIR that name (which may hold wildcards)
// matches.
bool FileSize(const std::string& name, unsigned long long* size) {
    std::wstring path = g_options.workdir + L"\\" + Wide(name);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return Fail("no file %s, error %lu", Quote(Narrow(path)).c_str(), GetLastError());
    }
    WIN32_FIND_DATAW other;
    bool more = FindNextFileW(find, &other) != FALSE;
    FindClose(find);
    if (more) return Fail("more than one file matches %s", Quote(Narrow(path)).c_str());
    *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool ExpectFileSteady(const std::string& name, DWORD ms) {
    unsigned long long before = 0, after = 0;
    if (!StillUndisturbed() || !FileSize(name, &before)) return false;
    Sleep(ms);
    if (!StillUndisturbed() || !FileSize(name, &after)) return false;
    if (before != after) {
        return Fail("%s grew from %llu to %llu bytes within %lu ms", Quote(name).c_str(), before,
                    after, ms);
    }
    Log("  %s stays at %llu bytes", name.c_str(), after);
    return true;
}

void Unite(RECT* all, const RECT& one, bool* any) {
    if (!*any) {
        *all = one;
        *any = true;
        return;
    }
    UnionRect(all, all, &one);
}

bool Screenshot(const std::string& name) {
    if (!RequireStarted()) return false;
    RECT area = {};
    bool any = false;
    for (HWND window : VisibleTopWindows(g_mainClass)) {
        RECT r;
        GetWindowRect(window, &r);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        Unite(&area, r, &any);
    }
    for (const Box& box : OpenBoxes()) {
        RECT r;
        GetWindowRect(box.window, &r);
        Unite(&area, r, &any);
    }
    if (!any) return Fail("nothing of the program's is on the screen");
    if (g_options.shots.empty()) {
        Log("  (no --shots directory: screenshot %s skipped)", name.c_str());
        return true;
    }
    Sleep(500);  // lets the program repaint
    std::wstring done = g_options.shots + L"\\" + Wide(name) + L".done";
    DeleteFileW(done.c_str());
    Log("@@screenshot %s %ld %ld %ld %ld", name.c_str(), area.left, area.top,
        area.right - area.left, area.bottom - area.top);
    DWORD start = GetTickCount();
    while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 30000) return Fail("the screenshot %s was not taken", name.c_str());
        Sleep(kPollMs);
    }
    DeleteFileW(done.c_str());
    return true;
}

// Has the caller run its step NAME (a change of the files while the program
// runs): prints "@@shell NAME" and waits for NAME.done in the --shots
// directory.
bool CallerStep(const std::string& name) {
    if (g_options.shots.empty()) return Fail("shell needs the --shots directory");
    std::wstring done = g_options.shots + L"\\" + Wide(name) + L".done";
    DeleteFileW(done.c_str());
    Log("@@shell %s", name.c_str());
    DWORD start = GetTickCount();
    while (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 30000) return Fail("the caller did not run %s", name.c_str());
        Sleep(kPollMs);
    }
    DeleteFileW(done.c_str());
    return true;
}

// A timeout argument in seconds, or the default.
bool TimeoutArgument(const std::vector<std::string>& words, size_t index, DWORD* timeoutMs) {
    *timeoutMs = g_defaultTimeoutMs;
    if (words.size() <= index) return true;
    long seconds = 0;
    if (!ParseNumber(words[index], &seconds) || seconds < 0) {
        return Fail("'%s' is not a number of seconds", words[index].c_str());
    }
    *timeoutMs = static_cast<DWORD>(seconds) * 1000;
    return true;
}

bool ArgumentCount(const std::vector<std::string>& words, size_t least, size_t most) {
    if (words.size() - 1 < least || words.size() - 1 > most) {
        return Fail("%s takes %u to %u arguments", words[0].c_str(), unsigned(least), unsigned(most));
    }
    return true;
}

bool NumberArgument(const std::string& word, long* value) {
    if (!ParseNumber(word, value)) return Fail("'%s' is not a number", word.c_str());
    return true;
}

// Runs one command. *usage is set when the failure is the script's own.
bool Run(const std::vector<std::string>& w, bool* usage) {
    const std::string& c = w[0];
    long a = 0, b = 0;
    DWORD timeoutMs = 0;
    *usage = true;
    if (c == "window") {
        long first = 0, last = 0;
        if (!ArgumentCount(w, 4, 4) || !NumberArgument(w[2], &a) || !NumberArgument(w[3], &first) ||
            !NumberArgument(w[4], &last)) {
            return false;
        }
        if (g_program.started) return Fail("window comes before start");
        g_mainClassName = w[1];
        g_mainClass = g_mainClassName.c_str();
        g_dialogMarker = a;
        g_dumpFirst = first;
        g_dumpLast = last;
        *usage = false;
        return true;
    }
    if (c == "start") {
        if (!ArgumentCount(w, 0, 1)) return false;
        *usage = false;
        if (w.size() == 2) {
            std::wstring argument = Wide(w[1]);
            return Start(g_options.workdir, &argument);
        }
        return Start(g_options.workdir);
    }
    if (c == "select") {
        if (!ArgumentCount(w, 2, 2) || !NumberArgument(w[1], &a) || !NumberArgument(w[2], &b)) {
            return false;
        }
        *usage = false;
        return Select(a, b);
    }
    if (c == "type") {
        if (!ArgumentCount(w, 2, 2) || !NumberArgument(w[1], &a)) return false;
        *usage = false;
        return Type(a, w[2]);
    }
    if (c == "start-in") {
        if (!ArgumentCount(w, 1, 1)) return false;
        *usage = false;
        return Start(Wide(w[1]));
    }
    if (c == "expect" || c == "wait") {
        bool waits = c == "wait";
        if (!ArgumentCount(w, 3, waits ? 4 : 3) || !TimeoutArgument(w, 4, &timeoutMs)) return false;
        bool known = false;
        if (!Matches(w[2], "", "", &known)) return false;
        *usage = false;
        return CheckText(w[1], w[2], w[3], waits ? timeoutMs : 0);
    }
    if (c == "watch") {
        if (!ArgumentCount(w, 2, 3) || !TimeoutArgument(w, 3, &timeoutMs)) return false;
        bool known = false;
        if (!Matches(w[1], "", "", &known)) return false;
        *usage = false;
        return WatchTitle(w[1], w[2], timeoutMs);
    }
    if (c == "expect-enabled" || c == "wait-enabled") {
        bool waits = c == "wait-enabled";
        if (!ArgumentCount(w, 2, waits ? 3 : 2) || !NumberArgument(w[1], &a) ||
            !NumberArgument(w[2], &b) || !TimeoutArgument(w, 3, &timeoutMs)) {
            return false;
        }
        *usage = false;
        return CheckEnabled(a, b, waits ? timeoutMs : 0);
    }
    if (c == "expect-checked") {
        if (!ArgumentCount(w, 2, 2) || !NumberArgument(w[1], &a) || !NumberArgument(w[2], &b)) {
            return false;
        }
        *usage = false;
        return CheckChecked(a, b);
    }
    if (c == "click") {
        if (!ArgumentCount(w, 1, 1) || !NumberArgument(w[1], &a)) return false;
        *usage = false;
        return Click(a);
    }
    if (c == "post-click") {
        if (!ArgumentCount(w, 1, 1) || !NumberArgument(w[1], &a)) return false;
        *usage = false;
        return PostClick(a);
    }
    if (c == "post-message") {
        if (!ArgumentCount(w, 1, 2) || !NumberArgument(w[1], &a) ||
            (w.size() > 2 && !NumberArgument(w[2], &b))) {
            return false;
        }
        *usage = false;
        return PostToDialog(a, b);
    }
    if (c == "kill") {
        if (!ArgumentCount(w, 0, 0)) return false;
        *usage = false;
        return Kill();
    }
    if (c == "hold") {
        if (!ArgumentCount(w, 1, 1)) return false;
        *usage = false;
        return Hold(w[1]);
    }
    if (c == "release") {
        if (!ArgumentCount(w, 0, 0)) return false;
        *usage = false;
        return Release();
    }
    if (c == "close") {
        if (!ArgumentCount(w, 0, 0)) return false;
        *usage = false;
        return Close();
    }
    if (c == "expect-box" || c == "expect-box-has") {
        a = IDOK;
        if (!ArgumentCount(w, 2, 4) || (w.size() > 3 && !NumberArgument(w[3], &a)) ||
            !TimeoutArgument(w, 4, &timeoutMs)) {
            return false;
        }
        *usage = false;
        return ExpectBox(w[1], w[2], a, timeoutMs, c == "expect-box-has");
    }
    if (c == "wait-box") {
        if (!ArgumentCount(w, 0, 1) || !TimeoutArgument(w, 1, &timeoutMs)) return false;
        *usage = false;
        return WaitBox(timeoutMs);
    }
    if (c == "expect-box-default") {
        if (!ArgumentCount(w, 1, 2) || !NumberArgument(w[1], &a) || !TimeoutArgument(w, 2, &timeoutMs)) {
            return false;
        }
        *usage = false;
        return ExpectBoxDefault(a, timeoutMs);
    }
    if (c == "expect-steady" || c == "expect-file-steady") {
        if (!ArgumentCount(w, 2, 2) || !NumberArgument(w[2], &a)) return false;
        *usage = false;
        if (c == "expect-steady") return ExpectSteady(w[1], static_cast<DWORD>(a));
        return ExpectFileSteady(w[1], static_cast<DWORD>(a));
    }
    if (c == "expect-code-page") {
        if (!ArgumentCount(w, 1, 1) || !NumberArgument(w[1], &a)) return false;
        *usage = false;
        if (GetACP() != static_cast<UINT>(a)) {
            return Fail("the system's ANSI code page is %u, expected %ld", GetACP(), a);
        }
        return true;
    }
    if (c == "expect-exit" || c == "expect-exit-hidden") {
        if (!ArgumentCount(w, 1, 2) || !NumberArgument(w[1], &a) || !TimeoutArgument(w, 2, &timeoutMs)) {
            return false;
        }
        *usage = false;
        return ExpectExit(a, timeoutMs, c == "expect-exit-hidden");
    }
    if (c == "screenshot") {
        if (!ArgumentCount(w, 1, 1)) return false;
        *usage = false;
        return Screenshot(w[1]);
    }
    if (c == "shell") {
        if (!ArgumentCount(w, 1, 1)) return false;
        *usage = false;
        return CallerStep(w[1]);
    }
    if (c == "sleep") {
        if (!ArgumentCount(w, 1, 1) || !NumberArgument(w[1], &a)) return false;
        *usage = false;
        Sleep(static_cast<DWORD>(a));
        return true;
    }
    if (c == "poll") {
        if (!ArgumentCount(w, 1, 1) || !NumberArgument(w[1], &a)) return false;
        if (a < 1) return Fail("poll takes a number of milliseconds above 0");
        *usage = false;
        g_pollMs = static_cast<DWORD>(a);
        return true;
    }
    if (c == "mark") {
        if (!ArgumentCount(w, 0, 0)) return false;
        *usage = false;
        QueryPerformanceCounter(&g_mark);
        return true;
    }
    if (c == "elapsed") {
        if (!ArgumentCount(w, 1, 1)) return false;
        *usage = false;
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        Log("@@elapsed %s %.1f", w[1].c_str(),
            1000.0 * static_cast<double>(now.QuadPart - g_mark.QuadPart) /
                static_cast<double>(frequency.QuadPart));
        return true;
    }
    if (c == "print") {
        if (!ArgumentCount(w, 1, 1)) return false;
        *usage = false;
        std::string text;
        if (!ReadTarget(w[1], &text)) return false;
        Log("  %s = %s", w[1].c_str(), Quote(text, 4000).c_str());
        return true;
    }
    return Fail("unknown command '%s'", c.c_str());
}

// What the program shows, for the log of a failure.
void DumpState() {
    if (!g_program.started) return;
    DWORD code = 0;
    if (Exited(&code)) {
        Log("  state: the program has ended, exit code %lu", code);
        return;
    }
    std::vector<HWND> mains = VisibleTopWindows(g_mainClass);
    if (!mains.empty()) {
        Log("  state: title %s", Quote(TitleOf(mains[0])).c_str());
        HWND dialog = FindWindowExA(mains[0], nullptr, kDialogClass, nullptr);
        for (long id = g_dumpFirst; dialog != nullptr && id <= g_dumpLast; ++id) {
            HWND control = GetDlgItem(dialog, static_cast<int>(id));
            std::string text;
            if (control == nullptr || !ReadControlText(control, &text)) continue;
            Log("  state: %ld %s%s %s", id, IsWindowEnabled(control) ? "enabled" : "disabled",
                id == 1002 && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? " checked" : "",
                Quote(text, 1500).c_str());
        }
    } else {
        Log("  state: no main window on the screen");
    }
    for (const Box& box : OpenBoxes()) {
        Log("  state: box %s: %s", Quote(box.title).c_str(), Quote(box.text).c_str());
    }
}

bool ReadScript(const std::wstring& path, std::vector<std::string>* lines) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return Fail("cannot open the script %s", Narrow(path).c_str());
    std::string line;
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        if (c == '\n') {
            lines->push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty()) lines->push_back(line);
    std::fclose(file);
    return true;
}

int Usage() {
    Log("usage: driver.exe [--shots DIR] [--timeout SECONDS] PROGRAM WORKDIR SCRIPT");
    return 2;
}

}  // namespace

int main() {
    // The arguments in UTF-16: the ANSI ones would lose every character of
    // the paths that the system's code page lacks.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return Usage();
    std::vector<std::wstring> positional;
    for (int i = 1; i < argc; ++i) {
        std::wstring argument = argv[i];
        if ((argument == L"--shots" || argument == L"--timeout") && i + 1 < argc) {
            if (argument == L"--shots") {
                g_options.shots = argv[++i];
            } else {
                long seconds = 0;
                if (!ParseNumber(Narrow(argv[++i]), &seconds) || seconds <= 0) return Usage();
                g_defaultTimeoutMs = static_cast<DWORD>(seconds) * 1000;
            }
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 3) return Usage();
    g_options.program = positional[0];
    g_options.workdir = positional[1];
    g_options.script = positional[2];

    std::vector<std::string> lines;
    if (!ReadScript(g_options.script, &lines)) {
        Log("error: %s", g_failure.c_str());
        return 2;
    }
    // The whole script is checked for syntax before anything runs.
    std::vector<std::vector<std::string>> commands(lines.size());
    for (size_t n = 0; n < lines.size(); ++n) {
        if (!Tokenize(lines[n], &commands[n])) {
            Log("error: script line %u: %s", unsigned(n + 1), g_failure.c_str());
            return 2;
        }
    }

    int status = 0;
    for (size_t n = 0; n < lines.size() && status == 0; ++n) {
        if (commands[n].empty()) continue;
        Log("  %u: %s", unsigned(n + 1), lines[n].c_str());
        bool usage = false;
        if (!Run(commands[n], &usage)) {
            Log("error: line %u: %s", unsigned(n + 1), g_failure.c_str());
            status = usage ? 2 : 1;
        }
    }
    if (status == 0 && g_program.started && WaitForSingleObject(g_program.process.hProcess, 0) != WAIT_OBJECT_0) {
        Log("error: the script ended with the program still running");
        status = 1;
    }
    if (g_longestBusyMs >= kBusyNoteMs) {
        Log("  the window thread kept the driver waiting up to %lu ms", g_longestBusyMs);
    }
    if (status != 0) DumpState();
    if (g_program.started) {
        if (WaitForSingleObject(g_program.process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(g_program.process.hProcess, 1);
            WaitForSingleObject(g_program.process.hProcess, 5000);
        }
        CloseHandle(g_program.process.hThread);
        CloseHandle(g_program.process.hProcess);
    }
    return status;
}
