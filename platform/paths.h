// Paths as each system spells them: the last component and the folder
// holding it (the one rule every program's code takes a path's folder by),
// a name joined to a folder, the long form of a short name, the running
// program's own path, and whether a file found by a path can be trusted.
// Paths are UTF-8, as in platform/files.h.
#ifndef SELVANORE_PLATFORM_PATHS_H
#define SELVANORE_PLATFORM_PATHS_H

#include <cstdint>
#include <string>

#include "platform/files.h"

// The last component of path, and the directory holding it ("." for a bare
// name; the root keeps its separator). Windows separates components by '/'
// and '\\' both and knows drive prefixes ("C:").
std::string BaseName(const std::string& path);
std::string DirectoryName(const std::string& path);
// The name in the directory, with the separator the directory's own path
// uses (a backslash by default on Windows).
std::string JoinPath(const std::string& directory, const std::string& name);

// The path with its last component in its long form: Windows resolves an
// 8.3 short name ("PRESEN~1.PPT" to "Presentation.pptx"), so that a set is
// named as the file is; POSIX, and a path Windows cannot resolve, give the
// path as it is.
std::string LongPath(const std::string& path);

// The path of the running program's own file (on Linux /proc/self/exe,
// links resolved); empty, with *error, when the system cannot tell.
std::string ProgramPath(SystemError* error);

// Whether path reaches its file through a process's descriptor link
// (/dev/stdin, /dev/fd/N, /proc/self/fd/N): such a file does not lie in the
// directory the path names. Never on Windows.
bool IsDescriptorLink(const std::string& path);

// Why a file cannot be trusted: the file or folder at fault, and why.
enum class DistrustReason {
    None,
    Owner,             // it belongs to someone else (owner), neither the user nor root
    WritableByOthers,  // others may write it
    WritableByGroup,   // its group may write it
};
struct Distrust {
    std::string path;
    bool folder = false;
    DistrustReason reason = DistrustReason::None;
    uint32_t owner = 0;
};

// Whether the file at path can only have been put there by the running user
// or the administrator, as ssh judges its files. On POSIX the path is
// resolved (links, "." and "..", given in *resolved) and the file and every
// folder up to the root must be owned by the user or root and writable by no
// one else; a folder others may write counts only with the sticky bit (as
// /tmp), where no one but an entry's owner and the folder's can rename or
// remove the entry. On Windows every file passes. Returns 0 with *distrust
// filled in when the file fails, or with *error (and distrust's reason None)
// when it cannot be judged.
int CheckTrusted(const std::string& path, std::string* resolved, Distrust* distrust,
                 SystemError* error);

#endif
