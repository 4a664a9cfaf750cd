// Files on Windows. The program names files in Windows-1252; they reach the
// system through the wide calls, so that a name means the same file on every
// code page.
#include <windows.h>

#include <new>

#include "platform/platform.h"
#include "platform/win32/wide.h"

struct PlatformFile {
    HANDLE handle;
};

namespace {

// Only files on a disk are joined: a name that opens a device (CON, NUL,
// COM1...) or a pipe is refused.
FileHandle Wrap(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    FileHandle file = new (std::nothrow) PlatformFile{handle};
    if (file == nullptr) CloseHandle(handle);
    return file;
}

}  // namespace

FileHandle OpenPartFile(const char* name) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    return Wrap(CreateFileW(wide, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle CreateOutputFile(const char* name) {
    wchar_t wide[kWideCapacity];
    if (!WidenName(name, wide)) return nullptr;
    return Wrap(CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
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

int CloseFile(FileHandle file) {
    int ok = CloseHandle(file->handle) != 0;
    delete file;
    return ok;
}

int DeleteNamedFile(const char* name) {
    wchar_t wide[kWideCapacity];
    return WidenName(name, wide) && DeleteFileW(wide) != 0;
}

int NameExists(const char* name) {
    wchar_t wide[kWideCapacity];
    // A name too long to convert cannot be looked up: it counts as held.
    if (!WidenName(name, wide)) return 1;
    if (GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES) return 1;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_INVALID_NAME;
}
