// What the files of platform/win32 share: the Windows file behind a
// FileHandle, and the calls every file of every program goes through, so
// that each policy is decided once: an open for reading takes only a file
// on a disk that is no folder, a creation shares nothing and never follows
// a link, a rename that must not replace looks first and is written
// through. Paths reach the system through the wide calls: the joiner's
// UTF-8 names by platform/win32/wide.h, UTF-8 paths by WidePath.
#ifndef SELVANORE_PLATFORM_WIN32_FILE_HANDLE_H
#define SELVANORE_PLATFORM_WIN32_FILE_HANDLE_H

#include <windows.h>

#include <cstddef>
#include <string>

#include "platform/files.h"
#include "platform/platform.h"
#include "text/unicode.h"

struct PlatformFile {
    HANDLE handle;
    // The joined file only: whether it lies marked for deletion, whether it
    // has been given a name for good, and which file it is.
    bool marked;
    bool placed;
    FileIdentity identity;
};

// Wraps an open handle; only files on a disk are taken: a name that opens a
// device (CON, NUL, COM1...) or a pipe is refused and the handle closed.
// Null for an invalid handle.
FileHandle WrapDiskFile(HANDLE handle);

// Whether others may open a file while this program has it open: the
// joiner's parts are Exclusive (share mode 0), the splitter's input Shared
// for reading, writing and deletion, as a POSIX file is.
enum class Sharing { Exclusive, Shared };

// Opens path for reading, sequentially: only a file on a disk that is no
// folder (backup semantics open a folder too, so that it can be told). On
// failure INVALID_HANDLE_VALUE with GetLastError, and *notRegular when what
// the path names is not such a file.
HANDLE OpenRegularHandle(const wchar_t* path, Sharing sharing, bool* notRegular);

// Creates path new with access, sharing nothing: CREATE_NEW fails on any
// name that exists, a link included, and the reparse flag keeps a link from
// ever being followed. Only a file on a disk. INVALID_HANDLE_VALUE with
// GetLastError on failure.
HANDLE CreateNewHandle(const wchar_t* path, DWORD access);

// Reads up to size bytes in one call; *got is 0 at the end of the file.
int ReadOnce(HANDLE file, void* buffer, size_t size, size_t* got);
// Writes all size bytes; *written says how many were. A write that puts
// nothing fails with ERROR_WRITE_FAULT.
int WriteWhole(HANDLE file, const void* data, size_t size, size_t* written);

// Gives the file from the name from to the name to, written through, never
// replacing: under Wine a rename without replacing takes the name of a
// dangling link, which it cannot see, so the name is looked up first as a
// name to create (lookup.h); taken, the rename fails with
// ERROR_ALREADY_EXISTS.
int RenameWithoutReplacing(const wchar_t* from, const wchar_t* to);

// Fills the buffer from the system's random source (random.cpp): 0, with
// GetLastError, when it cannot be had.
int FillRandom(void* buffer, size_t length);

// ---- utf8_path.cpp: the splitter's UTF-8 paths ----------------------------------

// The UTF-16 form of a UTF-8 path, in the "\\?\" form beyond MAX_PATH; 0
// (ERROR_INVALID_NAME) for text that is not UTF-8.
int WidePath(const std::string& path, std::u16string* wide);
// A path of more than MAX_PATH characters reaches the file system only in
// the "\\?\" form, which takes a full path with backslashes.
std::u16string LongForm(const std::u16string& path);
// A UTF-16 text for the wide calls, and its buffer to be written (wide
// paths are std::u16string: the joiner links them, and std::wstring would
// bring the runtime's whole instantiation of it into every joiner).
inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline wchar_t* WideBuffer(std::u16string& text) { return reinterpret_cast<wchar_t*>(&text[0]); }
// UTF-16 units as UTF-8 (a lone surrogate in its three-byte form).
inline std::string Utf8Of(const wchar_t* text, size_t length) {
    return Utf16ToUtf8(std::u16string(text, text + length));
}

// ---- system_files.cpp --------------------------------------------------------------

// A folder opened by OpenDirectory is a handle and its full path, kept in
// a table; a handle closed goes out of it.
void ForgetDirectory(SystemHandle handle);

// ---- system_error.cpp ---------------------------------------------------------------

// Fills *error from the system's error code (its fault and its words) and
// returns 0; FailedWith gives the fault.
int Failed(SystemError* error, DWORD code);
int FailedWith(SystemError* error, SystemFault fault, DWORD code);

#endif
