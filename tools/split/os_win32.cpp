// The splitter's operating-system services on Windows. Every call is a wide
// one: paths and texts are UTF-8 in the program and UTF-16 from here on
// (utf16.h), so a name in any script reaches the file system intact.
//
// A directory handle is the directory opened with backup semantics, held
// without delete sharing so that it cannot be renamed or removed while the
// outputs are made in it, and its full path kept beside it in a table: the
// file calls take paths, which are made from that path and the name.
#include <windows.h>
// After windows.h, which they need.
#include <bcrypt.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>

#include "platform/win32/lookup.h"
#include "tools/split/os.h"
#include "text/unicode.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16");

namespace {

OsError g_lastError = OsError::None;
DWORD g_lastCode = 0;
std::string g_lastText;  // when not empty, the description instead of g_lastCode's
volatile LONG g_interrupted = 0;

// The open directory handles and their full paths.
std::map<OsHandle, std::wstring> g_directories;

// Records the failure GetLastError describes and returns 0.
int Fail() {
    g_lastCode = GetLastError();
    g_lastText.clear();
    switch (g_lastCode) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: g_lastError = OsError::Missing; break;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: g_lastError = OsError::Exists; break;
        default: g_lastError = OsError::Other; break;
    }
    return 0;
}

int FailWith(OsError error, DWORD code) {
    SetLastError(code);
    Fail();
    g_lastError = error;
    return 0;
}

// A failure of the C runtime, described by errno.
int FailWithErrno() {
    g_lastError = OsError::Other;
    g_lastText = std::strerror(errno);
    return 0;
}

HANDLE Win32Handle(OsHandle handle) { return reinterpret_cast<HANDLE>(handle); }
OsHandle Handle(HANDLE handle) { return reinterpret_cast<OsHandle>(handle); }

std::wstring Wide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::string Utf8(const wchar_t* text, size_t length) {
    return Utf16ToUtf8(std::u16string(text, text + length));
}

// A path of more than MAX_PATH characters reaches the file system only in
// the "\\?\" form, which takes a full path with backslashes.
std::wstring LongForm(const std::wstring& path) {
    const size_t kShortEnough = MAX_PATH - 12;  // room for an 8.3 name in a directory
    if (path.size() < kShortEnough || path.compare(0, 4, L"\\\\?\\") == 0) return path;
    DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path.c_str(), length, &full[0], nullptr);
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// The UTF-16 form of a UTF-8 path; 0, the failure recorded, for text that
// is not UTF-8.
int WidePath(const std::string& path, std::wstring* wide) {
    std::u16string utf16;
    if (!Utf8ToUtf16(path, &utf16)) return FailWith(OsError::Other, ERROR_INVALID_NAME);
    *wide = LongForm(Wide(utf16));
    return 1;
}

// The path of name in the directory handle.
int WidePathIn(OsHandle directory, const std::string& name, std::wstring* wide) {
    auto entry = g_directories.find(directory);
    std::u16string utf16;
    if (entry == g_directories.end()) return FailWith(OsError::Other, ERROR_INVALID_HANDLE);
    if (!Utf8ToUtf16(name, &utf16)) return FailWith(OsError::Other, ERROR_INVALID_NAME);
    std::wstring path = entry->second;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    *wide = LongForm(path + Wide(utf16));
    return 1;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The length of a drive prefix ("C:") at the start of path, or 0.
size_t DrivePrefix(const std::string& path) {
    bool letter = path.size() >= 2 && ((path[0] >= 'A' && path[0] <= 'Z') ||
                                       (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path[1] == ':' ? 2 : 0;
}

// A look-up's answer, GetLastError recorded when it could not tell.
NameLookup Recorded(NameLookup lookup) {
    if (lookup == NameLookup::Unknown) Fail();
    return lookup;
}

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

OsError OsLastError() { return g_lastError; }

const char* OsLastErrorText() {
    static std::string text;
    if (g_lastError == OsError::NotRegular) return "not a regular file";
    if (!g_lastText.empty()) return g_lastText.c_str();
    wchar_t message[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, g_lastCode, 0, message, 512, nullptr);
    // One line, without the closing full stop: the messages go on after it.
    while (length > 0 && (message[length - 1] == L'\r' || message[length - 1] == L'\n' ||
                          message[length - 1] == L' ' || message[length - 1] == L'.')) {
        --length;
    }
    text = length > 0 ? Utf8(message, length) : "system error " + std::to_string(g_lastCode);
    return text.c_str();
}

std::vector<std::string> OsArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) arguments.push_back(Utf8(wide[i], std::wcslen(wide[i])));
    LocalFree(wide);
    return arguments;
}

int OsWriteText(OsStream stream, const std::string& text) {
    FILE* file = stream == OsStream::Output ? stdout : stderr;
    HANDLE handle = GetStdHandle(stream == OsStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    std::u16string utf16;
    if (!IsConsole(handle) || !Utf8ToUtf16(text, &utf16)) {
        if (std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
            std::fflush(file) != 0) {
            return FailWithErrno();
        }
        return 1;
    }
    // A console shows characters, whatever its code page.
    std::fflush(file);
    size_t at = 0;
    while (at < utf16.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(utf16.size() - at, 4096));
        // A surrogate pair is written whole.
        if (at + chunk < utf16.size() && utf16[at + chunk - 1] >= 0xD800 &&
            utf16[at + chunk - 1] <= 0xDBFF) {
            --chunk;
        }
        DWORD written = 0;
        if (!WriteConsoleW(handle, utf16.data() + at, chunk, &written, nullptr)) return Fail();
        if (written == 0) return FailWith(OsError::Other, ERROR_WRITE_FAULT);
        at += written;
    }
    return 1;
}

std::string OsBaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return path.substr(DrivePrefix(path));
    return path.substr(slash + 1);
}

std::string OsDirectoryName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t drive = DrivePrefix(path);
    if (slash == std::string::npos) return drive > 0 ? path.substr(0, drive) : ".";
    // The root of a drive or of the current drive keeps its separator.
    if (slash == drive) return path.substr(0, slash + 1);
    // Repeated separators end the directory's name at the first of them.
    while (slash > drive + 1 && IsSeparator(path[slash - 1])) --slash;
    return path.substr(0, slash);
}

std::string OsJoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty() || IsSeparator(directory.back()) ||
        (directory.size() == 2 && DrivePrefix(directory) == 2)) {
        return directory + name;
    }
    // The separator the directory's own path uses, a backslash by default.
    size_t slash = directory.find_last_of("/\\");
    return directory + (slash != std::string::npos ? directory[slash] : '\\') + name;
}

std::string OsLongPath(const std::string& path) {
    std::wstring wide;
    if (!WidePath(path, &wide)) return path;
    DWORD length = GetLongPathNameW(wide.c_str(), nullptr, 0);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    length = GetLongPathNameW(wide.c_str(), &full[0], length);
    if (length == 0 || length >= full.size()) return path;
    return Utf8(full.data(), length);
}

std::string OsOwnPath() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, &self[0], static_cast<DWORD>(self.size()));
        if (length == 0) {
            Fail();
            return "";
        }
        if (length < self.size()) return Utf8(self.data(), length);
        self.resize(self.size() * 2);
    }
}

NameLookup OsLookUp(const std::string& path) {
    std::wstring wide;
    if (!WidePath(path, &wide)) return NameLookup::Unknown;
    return Recorded(LookUpName(wide.c_str()));
}

int OsCheckTrusted(const std::string& path, std::string* resolved, OsDistrust* distrust) {
    // The default joiner lies beside the program: a folder that the
    // installer's or the user's rights protect, with no POSIX owners and
    // modes to judge.
    *distrust = OsDistrust();
    *resolved = path;
    return 1;
}

bool OsIsDescriptorLink(const std::string&) {
    // Windows has no paths of open descriptors; its devices and pipes are
    // refused as files that are not regular.
    return false;
}

int OsOpenRegularFile(const std::string& path, OsFile* file, uint64_t* size) {
    file->Close();
    std::wstring wide;
    if (!WidePath(path, &wide)) return 0;
    // Shared as a POSIX file is: others may read, write, rename and remove
    // it meanwhile (a change of size is found by the cut). Backup semantics
    // open a directory too, so that it is refused as not regular.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Fail();
    BY_HANDLE_FILE_INFORMATION info;
    LARGE_INTEGER length;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return FailWith(OsError::NotRegular, ERROR_INVALID_FUNCTION);
    }
    if (!GetFileInformationByHandle(handle, &info) || !GetFileSizeEx(handle, &length)) {
        Fail();
        CloseHandle(handle);
        return 0;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || length.QuadPart < 0) {
        CloseHandle(handle);
        return FailWith(OsError::NotRegular, ERROR_INVALID_FUNCTION);
    }
    file->handle = Handle(handle);
    *size = static_cast<uint64_t>(length.QuadPart);
    return 1;
}

int OsGetFileTimes(OsHandle file, OsFileTimes* times) {
    FILE_BASIC_INFO info;
    if (!GetFileInformationByHandleEx(Win32Handle(file), FileBasicInfo, &info, sizeof info)) {
        return Fail();
    }
    times->modified[0] = info.LastWriteTime.QuadPart;
    times->modified[1] = 0;
    times->changed[0] = info.ChangeTime.QuadPart;
    times->changed[1] = 0;
    return 1;
}

int OsRead(OsHandle file, void* buffer, size_t length, size_t* got) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(length, 1u << 30));
    DWORD read = 0;
    if (!ReadFile(Win32Handle(file), buffer, want, &read, nullptr)) {
        if (GetLastError() != ERROR_HANDLE_EOF) return Fail();
        read = 0;
    }
    *got = read;
    return 1;
}

int OsWriteAll(OsHandle file, const void* data, size_t length) {
    const uint8_t* at = static_cast<const uint8_t*>(data);
    while (length > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(length, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(Win32Handle(file), at, chunk, &put, nullptr)) return Fail();
        if (put == 0) return FailWith(OsError::Other, ERROR_WRITE_FAULT);
        at += put;
        length -= put;
    }
    return 1;
}

int OsSync(OsHandle file) { return FlushFileBuffers(Win32Handle(file)) ? 1 : Fail(); }

int OsClose(OsHandle file) {
    g_directories.erase(file);
    return CloseHandle(Win32Handle(file)) ? 1 : Fail();
}

int OsOpenDirectory(const std::string& path, OsFile* directory) {
    directory->Close();
    std::wstring wide;
    if (!WidePath(path, &wide)) return 0;
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length == 0 || (length = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr)) == 0 ||
        length >= full.size()) {
        return Fail();
    }
    full.resize(length);
    HANDLE handle = CreateFileW(LongForm(full).c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail();
        // A device name becomes a path of the device space ("\\.\CON"),
        // which may not open at all (CON with no console attached).
        if (full.compare(0, 4, L"\\\\.\\") == 0 && g_lastError == OsError::Other) {
            g_lastError = OsError::NotDirectory;
        }
        return 0;
    }
    // A device (NUL, CON, COM1...) opens too, and has no file information.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return FailWith(OsError::NotDirectory, ERROR_DIRECTORY);
    }
    if (!GetFileInformationByHandle(handle, &info)) {
        Fail();
        CloseHandle(handle);
        return 0;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(handle);
        return FailWith(OsError::NotDirectory, ERROR_DIRECTORY);
    }
    directory->handle = Handle(handle);
    g_directories[directory->handle] = full;
    return 1;
}

size_t OsLongestName(OsHandle directory) {
    DWORD longest = 0;
    if (GetVolumeInformationByHandleW(Win32Handle(directory), nullptr, 0, nullptr, &longest,
                                      nullptr, nullptr, 0) &&
        longest > 0) {
        return longest;
    }
    return 255;
}

size_t OsNameLength(const std::string& name) {
    std::u16string utf16;
    return Utf8ToUtf16(name, &utf16) ? utf16.size() : name.size();
}

OsUnit OsNameUnit() { return OsUnit::Characters; }

NameLookup OsLookUpIn(OsHandle directory, const std::string& name) {
    std::wstring wide;
    if (!WidePathIn(directory, name, &wide)) return NameLookup::Unknown;
    return Recorded(LookUpNameToCreate(wide.c_str()));
}

int OsListDirectory(OsHandle directory, std::vector<std::string>* names) {
    std::wstring pattern;
    if (!WidePathIn(directory, "*", &pattern)) return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    names->clear();
    if (search == INVALID_HANDLE_VALUE) {
        // Even an empty directory holds "." and "..", except a drive's root.
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : Fail();
    }
    do {
        std::string name = Utf8(found.cFileName, std::wcslen(found.cFileName));
        if (name != "." && name != "..") names->push_back(name);
    } while (FindNextFileW(search, &found));
    int listed = GetLastError() == ERROR_NO_MORE_FILES ? 1 : Fail();
    FindClose(search);
    return listed;
}

int OsCreateIn(OsHandle directory, const std::string& name, bool, OsFile* file) {
    file->Close();
    std::wstring wide;
    if (!WidePathIn(directory, name, &wide)) return 0;
    // CREATE_NEW fails on any existing name, a link's too, without following it.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Fail();
    file->handle = Handle(handle);
    return 1;
}

int OsRenameIn(OsHandle directory, const std::string& from, const std::string& to) {
    std::wstring wideFrom, wideTo;
    if (!WidePathIn(directory, from, &wideFrom) || !WidePathIn(directory, to, &wideTo)) return 0;
    // Without MOVEFILE_REPLACE_EXISTING a taken name fails the move; with
    // write-through it returns once the new name is on the disk.
    if (!MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_WRITE_THROUGH)) return Fail();
    return 1;
}

void OsRemoveIn(OsHandle directory, const std::string& name) {
    std::wstring wide;
    if (WidePathIn(directory, name, &wide)) DeleteFileW(wide.c_str());
}

int OsSyncDirectory(OsHandle) {
    // Every name was given with write-through (OsRenameIn).
    return 1;
}

int OsRandomBytes(void* buffer, size_t length) {
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    while (length > 0) {
        ULONG chunk = static_cast<ULONG>(std::min<size_t>(length, 1u << 20));
        if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, chunk,
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
            return FailWith(OsError::Other, ERROR_GEN_FAILURE);
        }
        bytes += chunk;
        length -= chunk;
    }
    return 1;
}

void OsCatchInterruptions() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

bool OsInterrupted() { return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0; }

bool OsErrorStreamIsTerminal() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

bool OsSlashAsksForHelp() { return true; }

OsConsole OsConsoleState() {
    OsConsole console;
    DWORD processes[2];
    console.processes = GetConsoleProcessList(processes, 2);
    console.output = IsConsole(GetStdHandle(STD_OUTPUT_HANDLE));
    console.input = IsConsole(GetStdHandle(STD_INPUT_HANDLE));
    return console;
}

void OsWaitForKey() {
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
