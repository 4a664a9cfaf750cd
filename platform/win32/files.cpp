// Files on Windows. The program names files in Windows-1252; they reach the
// system through the wide calls, so that a name means the same file on every
// code page.
#include <windows.h>

#include <new>

#include "platform/platform.h"
#include "platform/win32/file_handle.h"
#include "platform/win32/lookup.h"
#include "platform/win32/wide.h"

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

FileHandle OpenPartFile(const char* name) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    return WrapDiskFile(CreateFileW(wide, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateNewFile(const char* name) {
    // CREATE_NEW fails on any name that exists, a link included; the reparse
    // flag keeps a link from ever being followed.
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    return WrapDiskFile(CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
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
        DWORD n = 0;
        if (!ReadFile(file->handle, p + done, size - done, &n, nullptr)) {
            *readCount = done;
            return 0;
        }
        if (n == 0) break;
        done += n;
    }
    *readCount = done;
    return 1;
}

int WriteFileBlock(FileHandle file, const void* buffer, uint32_t size, uint32_t* writtenCount) {
    DWORD n = 0;
    BOOL ok = WriteFile(file->handle, buffer, size, &n, nullptr);
    *writtenCount = n;
    // A write that wrote less than it was given has lost data.
    return ok && n == size;
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
    // Under Wine a rename without replacing takes the name of a dangling
    // link, which it cannot see: look first, as NameExists sees it.
    if (!replace && NameExists(to)) return 0;
    // Write-through: the call returns once the new name is on the disk.
    wchar_t wideFrom[kWideCapacity];
    wchar_t wideTo[kWideCapacity];
    if (!WidenName(from, wideFrom) || !WidenName(to, wideTo)) return 0;
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExW(wideFrom, wideTo, flags) != 0;
}

int NameExists(const char* name) {
    wchar_t wide[kWideCapacity];
    // A name too long to convert cannot be looked up: the system cannot tell.
    if (!WidenName(name, wide)) return IsNameTaken(NameLookup::Unknown);
    return IsNameTaken(LookUpNameToCreate(wide));
}

uint64_t UnpredictableBits() {
    // Without a new library: the performance counter, the clock, the process
    // and thread, the stack's address and a count of calls, mixed. Another
    // run cannot foresee them closely enough to take the name first, and a
    // clash costs only a retry.
    static LONG calls = 0;
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t state = static_cast<uint64_t>(counter.QuadPart);
    state ^= (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) * 0xD6E8FEB86659FD93ull;
    state ^= static_cast<uint64_t>(GetCurrentProcessId()) << 32 | GetCurrentThreadId();
    state += static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&counter)) << 16;
    state += static_cast<uint64_t>(GetTickCount()) << 40;
    state += static_cast<uint64_t>(InterlockedIncrement(&calls)) * 0x9E3779B97F4A7C15ull;
    // The finaliser of splitmix64: every input bit reaches every output bit.
    state = (state ^ (state >> 30)) * 0xBF58476D1CE4E5B9ull;
    state = (state ^ (state >> 27)) * 0x94D049BB133111EBull;
    return state ^ (state >> 31);
}
