// The Windows file behind a FileHandle, shared by the files of
// platform/win32 that work on it.
#ifndef SELVANORE_PLATFORM_WIN32_FILE_HANDLE_H
#define SELVANORE_PLATFORM_WIN32_FILE_HANDLE_H

#include <windows.h>

#include "platform/platform.h"

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

#endif
