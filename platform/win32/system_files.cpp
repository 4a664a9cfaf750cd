// Files and folders by path on Windows (platform/files.h), for the
// splitter, by the calls every file goes through (file_handle.h). A
// directory handle is the directory opened with backup semantics, held
// without delete sharing so that it cannot be renamed or removed while the
// outputs are made in it, and its full path kept beside it in a table: the
// file calls take paths, which are made from that path and the name.
#include <windows.h>

#include <cwchar>
#include <map>

#include "platform/files.h"
#include "platform/win32/file_handle.h"
#include "platform/win32/lookup.h"
#include "text/unicode.h"

namespace {

// The open directory handles and their full paths.
std::map<SystemHandle, std::u16string> g_directories;

HANDLE Win32Handle(SystemHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// The path of name in the directory handle.
int WidePathIn(SystemHandle directory, const std::string& name, std::u16string* wide) {
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
    std::u16string path = entry->second;
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
    *wide = LongForm(path + utf16);
    return 1;
}

}  // namespace

// ---- Files ----------------------------------------------------------------------

int CloseSystemHandle(SystemHandle handle, SystemError* error) {
    ForgetDirectory(handle);
    return CloseHandle(reinterpret_cast<HANDLE>(handle)) ? 1 : Failed(error, GetLastError());
}

int OpenRegularFile(const std::string& path, SystemFile* file, uint64_t* size, SystemError* error) {
    file->Close(nullptr);
    std::u16string wide;
    if (!WidePath(path, &wide)) return Failed(error, GetLastError());
    bool notRegular = false;
    HANDLE handle = OpenRegularHandle(Wide(wide), Sharing::Shared, &notRegular);
    if (handle == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        return notRegular ? FailedWith(error, SystemFault::NotRegular, code) : Failed(error, code);
    }
    LARGE_INTEGER length;
    if (!GetFileSizeEx(handle, &length) || length.QuadPart < 0) {
        DWORD code = GetLastError();
        CloseHandle(handle);
        return Failed(error, code);
    }
    file->handle = reinterpret_cast<SystemHandle>(handle);
    *size = static_cast<uint64_t>(length.QuadPart);
    return 1;
}

int GetFileTimes(SystemHandle file, FileTimes* times, SystemError* error) {
    FILE_BASIC_INFO info;
    if (!GetFileInformationByHandleEx(reinterpret_cast<HANDLE>(file), FileBasicInfo, &info, sizeof info)) {
        return Failed(error, GetLastError());
    }
    times->modified[0] = info.LastWriteTime.QuadPart;
    times->modified[1] = 0;
    times->changed[0] = info.ChangeTime.QuadPart;
    times->changed[1] = 0;
    return 1;
}

int ReadSome(SystemHandle file, void* buffer, size_t length, size_t* got, SystemError* error) {
    return ReadOnce(reinterpret_cast<HANDLE>(file), buffer, length, got) ? 1 : Failed(error, GetLastError());
}

int SeekTo(SystemHandle file, uint64_t offset, SystemError* error) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return Failed(error, ERROR_NEGATIVE_SEEK);
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(file), to, nullptr, FILE_BEGIN)) {
        return Failed(error, GetLastError());
    }
    return 1;
}

int WriteAll(SystemHandle file, const void* data, size_t length, SystemError* error) {
    size_t written = 0;
    if (WriteWhole(reinterpret_cast<HANDLE>(file), data, length, &written)) return 1;
    return Failed(error, GetLastError());
}

int SyncFile(SystemHandle file, SystemError* error) {
    return FlushFileBuffers(reinterpret_cast<HANDLE>(file)) ? 1 : Failed(error, GetLastError());
}

NameLookup LookUp(const std::string& path, SystemError* error) {
    std::u16string wide;
    if (!WidePath(path, &wide)) {
        Failed(error, GetLastError());
        return NameLookup::Unknown;
    }
    NameLookup lookup = LookUpName(Wide(wide));
    if (lookup == NameLookup::Unknown) Failed(error, GetLastError());
    return lookup;
}

int RandomBytes(void* buffer, size_t length, SystemError* error) {
    return FillRandom(buffer, length) ? 1 : Failed(error, GetLastError());
}

// ---- Folders ----------------------------------------------------------------------

void ForgetDirectory(SystemHandle handle) { g_directories.erase(handle); }

int OpenDirectory(const std::string& path, SystemFile* directory, SystemError* error) {
    directory->Close(nullptr);
    std::u16string wide;
    if (!WidePath(path, &wide)) return Failed(error, GetLastError());
    DWORD length = GetFullPathNameW(Wide(wide), 0, nullptr, nullptr);
    std::u16string full(length, u'\0');
    if (length == 0 || (length = GetFullPathNameW(Wide(wide), length, WideBuffer(full), nullptr)) == 0 ||
        length >= full.size()) {
        return Failed(error, GetLastError());
    }
    full.resize(length);
    HANDLE handle = CreateFileW(Wide(LongForm(full)), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        Failed(error, GetLastError());
        // A device name becomes a path of the device space ("\\.\CON"),
        // which may not open at all (CON with no console attached).
        if (full.compare(0, 4, u"\\\\.\\") == 0 && error->fault == SystemFault::Other) {
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
    std::u16string wide;
    if (!WidePathIn(directory, name, &wide)) {
        Failed(error, GetLastError());
        return NameLookup::Unknown;
    }
    NameLookup lookup = LookUpNameToCreate(Wide(wide));
    if (lookup == NameLookup::Unknown) Failed(error, GetLastError());
    return lookup;
}

int ListDirectory(SystemHandle directory, std::vector<std::string>* names, SystemError* error) {
    std::u16string pattern;
    if (!WidePathIn(directory, "*", &pattern)) return Failed(error, GetLastError());
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(Wide(pattern), FindExInfoBasic, &found, FindExSearchNameMatch,
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
    std::u16string wide;
    if (!WidePathIn(directory, name, &wide)) return Failed(error, GetLastError());
    HANDLE handle = CreateNewHandle(Wide(wide), GENERIC_WRITE);
    if (handle == INVALID_HANDLE_VALUE) return Failed(error, GetLastError());
    file->handle = reinterpret_cast<SystemHandle>(handle);
    return 1;
}

int RenameIn(SystemHandle directory, const std::string& from, const std::string& to, SystemError* error) {
    std::u16string wideFrom, wideTo;
    if (!WidePathIn(directory, from, &wideFrom) || !WidePathIn(directory, to, &wideTo)) {
        return Failed(error, GetLastError());
    }
    return RenameWithoutReplacing(Wide(wideFrom), Wide(wideTo)) ? 1 : Failed(error, GetLastError());
}

void RemoveIn(SystemHandle directory, const std::string& name) {
    std::u16string wide;
    if (WidePathIn(directory, name, &wide)) DeleteFileW(Wide(wide));
}

int SyncDirectory(SystemHandle, SystemError*) {
    // Every name was given with write-through (RenameIn).
    return 1;
}
