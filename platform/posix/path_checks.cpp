// What the splitter asks of a path on POSIX: its long form (the path as
// it is), whether it reaches its file through a descriptor link, and
// whether the file it names can be trusted.
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/paths.h"
#include "platform/posix/file_handle.h"

std::string LongPath(const std::string& path) { return path; }

bool IsDescriptorLink(const std::string& path) {
    // Follows the chain of links by hand: a link into /proc, or a file whose
    // directory resolves into /proc, is a descriptor link.
    std::string at = path;
    for (int hop = 0; hop < 40; ++hop) {
        char resolved[PATH_MAX];
        std::string directory = DirectoryName(at);
        if (realpath(directory.c_str(), resolved) != nullptr &&
            (std::strcmp(resolved, "/proc") == 0 || std::strncmp(resolved, "/proc/", 6) == 0)) {
            return true;
        }
        char target[PATH_MAX];
        ssize_t length = readlink(at.c_str(), target, sizeof target - 1);
        if (length <= 0) return false;
        target[length] = '\0';
        at = target[0] == '/' ? std::string(target) : JoinPath(directory, target);
    }
    return false;
}

int CheckTrusted(const std::string& path, std::string* resolved, Distrust* distrust,
                 SystemError* error) {
    *distrust = Distrust();
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) == nullptr) return Failed(error, errno);
    *resolved = real;
    uid_t user = geteuid();
    for (std::string at = real;; at = DirectoryName(at)) {
        struct stat info;
        if (lstat(at.c_str(), &info) != 0) return Failed(error, errno);
        bool folder = S_ISDIR(info.st_mode);
        bool sticky = folder && (info.st_mode & S_ISVTX) != 0;
        DistrustReason reason = DistrustReason::None;
        if (info.st_uid != 0 && info.st_uid != user) {
            reason = DistrustReason::Owner;
        } else if ((info.st_mode & S_IWOTH) != 0 && !sticky) {
            reason = DistrustReason::WritableByOthers;
        } else if ((info.st_mode & S_IWGRP) != 0 && !sticky) {
            reason = DistrustReason::WritableByGroup;
        }
        if (reason != DistrustReason::None) {
            distrust->path = at;
            distrust->folder = folder;
            distrust->reason = reason;
            distrust->owner = static_cast<uint32_t>(info.st_uid);
            return Failed(error, EPERM);
        }
        if (at == "/") return 1;
    }
}
