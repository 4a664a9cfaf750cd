// Folders on Windows. A directory handle is the directory opened with
// backup semantics, held without delete sharing so that it cannot be
// renamed or removed while the outputs are made in it, and its full path
// kept beside it in a table: the file calls take paths, which are made from
// that path and the name.
#include <windows.h>

#include <cwchar>
#include <map>

#include "platform/files.h"
#include "platform/win32/file_handle.h"
#include "platform/win32/lookup.h"
#include "text/unicode.h"

namespace {

// The open directory handles and their full paths.
std::map<SystemHandle, std::wstring> g_directories;

HANDLE Win32Handle(SystemHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// The path of name in the directory handle.
int WidePathIn(SystemHandle directory, const std::string& name, std::wstring* wide) {
    auto entry = g_directories.find(directory);
    std::u16string utf16;
    if (entry == g_directories.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!Utf8ToUtf16(name, &utf16)) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    std::wstring path = entry->second;
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    *wide = LongForm(path + std::wstring(utf16.begin(), utf16.end()));
    return 1;
}

}  // namespace

void ForgetDirectory(SystemHandle handle) { g_directories.erase(handle); }

int OpenDirectory(const std::string& path, SystemFile* directory, SystemError* error) {
    directory->Close(nullptr);
    std::wstring wide;
    if (!WidePath(path, &wide)) return Failed(error, GetLastError());
    DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length == 0 || (length = GetFullPathNameW(wide.c_str(), length, &full[0], nullptr)) == 0 ||
        length >= full.size()) {
        return Failed(error, GetLastError());
    }
    full.resize(length);
    HANDLE handle = CreateFileW(LongForm(full).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Failed(error, GetLastError());
        // A device name becomes a path of the device space ("\\.\CON"),
        // which may not open at all (CON with no console attached).
        if (full.compare(0, 4, L"\\\\.\\") == 0 && error->fault == SystemFault::Other) {
            error->fault = SystemFault::NotDirectory;
        }
        return 0;
    }
    // A device (NUL, CON, COM1...) opens too, and has no file information.
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return FailedWith(error, SystemFault::NotDirectory, ERROR_DIRECTORY);
    }
    if (!GetFileInformationByHandle(handle, &info)) {
        DWORD code = GetLastError();
        CloseHandle(handle);
        return Failed(error, code);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(handle);
        return FailedWith(error, SystemFault::NotDirectory, ERROR_DIRECTORY);
    }
    directory->handle = reinterpret_cast<SystemHandle>(handle);
    g_directories[directory->handle] = full;
    return 1;
}

size_t LongestName(SystemHandle directory) {
    DWORD longest = 0;
    if (GetVolumeInformationByHandleW(Win32Handle(directory), nullptr, 0, nullptr, &longest, nullptr,
                                      nullptr, 0) &&
        longest > 0) {
        return longest;
    }
    return 255;
}

size_t NameLength(const std::string& name) {
    std::u16string utf16;
    return Utf8ToUtf16(name, &utf16) ? utf16.size() : name.size();
}

NameUnit NameUnits() { return NameUnit::Characters; }

NameLookup LookUpIn(SystemHandle directory, const std::string& name, SystemError* error) {
    std::wstring wide;
    if (!WidePathIn(directory, name, &wide)) {
        Failed(error, GetLastError());
        return NameLookup::Unknown;
    }
    NameLookup lookup = LookUpNameToCreate(wide.c_str());
    if (lookup == NameLookup::Unknown) Failed(error, GetLastError());
    return lookup;
}

int ListDirectory(SystemHandle directory, std::vector<std::string>* names, SystemError* error) {
    std::wstring pattern;
    if (!WidePathIn(directory, "*", &pattern)) return Failed(error, GetLastError());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                     nullptr, 0);
    names->clear();
    if (search == INVALID_HANDLE_VALUE) {
        // Even an empty directory holds "." and "..", except a drive's root.
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : Failed(error, GetLastError());
    }
    do {
        std::string name = Utf8Of(found.cFileName, std::wcslen(found.cFileName));
        if (name != "." && name != "..") names->push_back(name);
    } while (FindNextFileW(search, &found));
    int listed = GetLastError() == ERROR_NO_MORE_FILES ? 1 : Failed(error, GetLastError());
    FindClose(search);
    return listed;
}

int CreateIn(SystemHandle directory, const std::string& name, bool, SystemFile* file, SystemError* error) {
    file->Close(nullptr);
    std::wstring wide;
    if (!WidePathIn(directory, name, &wide)) return Failed(error, GetLastError());
    HANDLE handle = CreateNewHandle(wide.c_str(), GENERIC_WRITE);
    if (handle == INVALID_HANDLE_VALUE) return Failed(error, GetLastError());
    file->handle = reinterpret_cast<SystemHandle>(handle);
    return 1;
}

int RenameIn(SystemHandle directory, const std::string& from, const std::string& to, SystemError* error) {
    std::wstring wideFrom, wideTo;
    if (!WidePathIn(directory, from, &wideFrom) || !WidePathIn(directory, to, &wideTo)) {
        return Failed(error, GetLastError());
    }
    return RenameWithoutReplacing(wideFrom.c_str(), wideTo.c_str()) ? 1 : Failed(error, GetLastError());
}

void RemoveIn(SystemHandle directory, const std::string& name) {
    std::wstring wide;
    if (WidePathIn(directory, name, &wide)) DeleteFileW(wide.c_str());
}

int SyncDirectory(SystemHandle, SystemError*) {
    // Every name was given with write-through (RenameIn).
    return 1;
}
