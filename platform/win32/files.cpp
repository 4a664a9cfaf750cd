// Files on Windows, for every program. Names reach the system through the
// wide calls, so that a name means the same file on every code page: the
// programs' UTF-8 names and paths converted whole.
#include <windows.h>

#include <algorithm>
#include <new>

#include "platform/platform.h"
#include "platform/win32/file_handle.h"
#include "platform/win32/lookup.h"
#include "platform/win32/wide.h"

// ---- The calls every file goes through -------------------------------------

FileHandle WrapDiskFile(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    FileHandle file = new (std::nothrow) PlatformFile{};
    if (file != nullptr) file->handle = handle;
    if (file == nullptr) CloseHandle(handle);
    return file;
}

HANDLE OpenRegularHandle(const wchar_t* path, Sharing sharing, bool* notRegular) {
    *notRegular = false;
    DWORD share = sharing == Sharing::Shared ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    HANDLE handle = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        *notRegular = true;
    } else if (!GetFileInformationByHandle(handle, &info)) {
        DWORD error = GetLastError();
        CloseHandle(handle);
        SetLastError(error);
        return INVALID_HANDLE_VALUE;
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        *notRegular = true;
    }
    if (!*notRegular) return handle;
    CloseHandle(handle);
    SetLastError(ERROR_INVALID_FUNCTION);
    return INVALID_HANDLE_VALUE;
}

HANDLE CreateNewHandle(const wchar_t* path, DWORD access) {
    HANDLE handle = CreateFileW(path, access, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) == FILE_TYPE_DISK) return handle;
    CloseHandle(handle);
    SetLastError(ERROR_INVALID_FUNCTION);
    return INVALID_HANDLE_VALUE;
}

int ReadOnce(HANDLE file, void* buffer, size_t size, size_t* got) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD read = 0;
    if (!ReadFile(file, buffer, want, &read, nullptr)) {
        if (GetLastError() != ERROR_HANDLE_EOF) return 0;
        read = 0;
    }
    *got = read;
    return 1;
}

int WriteWhole(HANDLE file, const void* data, size_t size, size_t* written) {
    const uint8_t* at = static_cast<const uint8_t*>(data);
    *written = 0;
    while (*written < size) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - *written, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(file, at + *written, chunk, &put, nullptr)) return 0;
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return 0;
        }
        *written += put;
    }
    return 1;
}

int RenameWithoutReplacing(const wchar_t* from, const wchar_t* to) {
    NameLookup lookup = LookUpNameToCreate(to);
    if (lookup == NameLookup::Found) SetLastError(ERROR_ALREADY_EXISTS);
    if (lookup != NameLookup::Absent) return 0;
    // Write-through: the call returns once the new name is on the disk.
    return MoveFileExW(from, to, MOVEFILE_WRITE_THROUGH) != 0;
}

// ---- The join's files (platform.h) ------------------------------------------

FileHandle OpenPartFile(const char* name) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    bool notRegular = false;
    return WrapDiskFile(OpenRegularHandle(wide, Sharing::Exclusive, &notRegular));
}

FileHandle CreateNewFile(const char* name) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    return WrapDiskFile(CreateNewHandle(wide, GENERIC_WRITE));
}

int GetFileSize64(FileHandle file, uint64_t* size) {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file->handle, &value)) return 0;
    *size = static_cast<uint64_t>(value.QuadPart);
    return 1;
}

int ReadFileBlock(FileHandle file, void* buffer, uint32_t size, uint32_t* readCount) {
    uint8_t* p = static_cast<uint8_t*>(buffer);
    uint32_t done = 0;
    while (done < size) {
        size_t got = 0;
        if (!ReadOnce(file->handle, p + done, size - done, &got)) {
            *readCount = done;
            return 0;
        }
        if (got == 0) break;
        done += static_cast<uint32_t>(got);
    }
    *readCount = done;
    return 1;
}

int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount) {
    // A write that wrote less than it was given has lost data.
    size_t written = 0;
    int whole = WriteWhole(file->handle, buffer, size, &written);
    *writtenCount = static_cast<uint32_t>(written);
    return whole;
}

int SeekFile(FileHandle file, uint64_t offset) {
    if (offset > static_cast<uint64_t>(INT64_MAX)) return 0;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file->handle, to, nullptr, FILE_BEGIN) != 0;
}

int FlushFile(FileHandle file) { return FlushFileBuffers(file->handle) != 0; }

int CloseFile(FileHandle file) {
    int ok = CloseHandle(file->handle) != 0;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) {
    wchar_t wide[kWideCapacity];
    return WidenName(name, wide) && DeleteFileW(wide) != 0;
}

int RenameFile(const char* from, const char* to, int replace) {
    wchar_t wideFrom[kWideCapacity];
    wchar_t wideTo[kWideCapacity];
    if (!WidenName(from, wideFrom) || !WidenName(to, wideTo)) return 0;
    if (!replace) return RenameWithoutReplacing(wideFrom, wideTo);
    return MoveFileExW(wideFrom, wideTo, MOVEFILE_WRITE_THROUGH | MOVEFILE_REPLACE_EXISTING) != 0;
}

int NameExists(const char* name) {
    wchar_t wide[kWideCapacity];
    // A name too long to convert cannot be looked up: the system cannot tell.
    if (!WidenName(name, wide)) return IsNameTaken(NameLookup::Unknown);
    return IsNameTaken(LookUpNameToCreate(wide));
}
