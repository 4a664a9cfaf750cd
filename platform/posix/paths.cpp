// Paths on POSIX: '/' separates components; the program's own path is the
// link /proc/self/exe, resolved by the kernel.
#include <errno.h>
#include <limits.h>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/posix/file_handle.h"

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

std::string ProgramPath(SystemError* error) {
    // The kernel gives this link's target in at most a page, PATH_MAX bytes.
    char self[PATH_MAX + 1];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof self) {
        Failed(error, length < 0 ? errno : ENAMETOOLONG);
        return "";
    }
    return std::string(self, static_cast<size_t>(length));
}
