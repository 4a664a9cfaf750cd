// The POSIX file behind a FileHandle, shared by the files of platform/posix
// that work on it.
#ifndef SELVANORE_PLATFORM_POSIX_FILE_HANDLE_H
#define SELVANORE_PLATFORM_POSIX_FILE_HANDLE_H

#include <string>

#include "platform/platform.h"

struct PlatformFile {
    int fd;
    // The joined file only: whether it was made without a name, whether it
    // has been given a name for good, and which file it is.
    bool unnamed;
    bool placed;
    FileIdentity identity;
};

// Makes a change of the names in the directory of path (UTF-8) durable.
void SyncDirectoryOf(const std::string& path);

#endif
