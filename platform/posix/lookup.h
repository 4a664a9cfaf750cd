// The look-up of a name on POSIX systems (platform/name_lookup.h), for the
// joiner's files and the splitter's system layer alike.
#ifndef SELVANORE_PLATFORM_POSIX_LOOKUP_H
#define SELVANORE_PLATFORM_POSIX_LOOKUP_H

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/name_lookup.h"

// Looks up path, relative to the open directory (AT_FDCWD: the working
// directory), without following a final symbolic link: a dangling link
// holds its name too. After Unknown, errno says why.
inline NameLookup LookUpName(int directory, const char* path) {
    struct stat info;
    if (fstatat(directory, path, &info, AT_SYMLINK_NOFOLLOW) == 0) return NameLookup::Found;
    return errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG ? NameLookup::Absent
                                                                        : NameLookup::Unknown;
}

#endif
