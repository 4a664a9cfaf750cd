// The look-up of a name on Windows (platform/name_lookup.h), for the
// joiner's files and the splitter's system layer alike. Paths are wide.
#ifndef SELVANORE_PLATFORM_WIN32_LOOKUP_H
#define SELVANORE_PLATFORM_WIN32_LOOKUP_H

#include <windows.h>

#include "platform/name_lookup.h"

// What the file system says of path. After Absent and Unknown, GetLastError
// says why.
inline NameLookup LookUpName(const wchar_t* path) {
    if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return NameLookup::Found;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                   error == ERROR_INVALID_NAME
               ? NameLookup::Absent
               : NameLookup::Unknown;
}

// The same for a name about to be created or given: a symbolic link whose
// target is missing is invisible to every look-up under Wine, which maps
// Windows links to Unix ones (Windows itself reports the link), and only an
// exclusive creation meets it. Where the name was not found, such a creation
// (a file deleted with its handle) confirms the absence; it holds the name
// for an instant. A creation that fails otherwise (a folder that cannot be
// written) finds nothing, and the absence stands.
inline NameLookup LookUpNameToCreate(const wchar_t* path) {
    NameLookup lookup = LookUpName(path);
    if (lookup != NameLookup::Absent || GetLastError() != ERROR_FILE_NOT_FOUND) return lookup;
    HANDLE probe = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE |
                                   FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return NameLookup::Absent;
    }
    DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NameLookup::Found
                                                                       : NameLookup::Absent;
}

#endif
