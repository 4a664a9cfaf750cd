// The program's folder on POSIX: the folder of the executable the kernel
// started, links resolved.
#include <limits.h>
#include <unistd.h>

#include "platform/platform.h"

int UseProgramFolder() {
    // The kernel gives this link's target in at most a page, PATH_MAX bytes.
    char path[PATH_MAX + 1];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return 0;
    ssize_t slash = length - 1;
    while (slash >= 0 && path[slash] != '/') --slash;
    if (slash < 0) return 0;
    // The root keeps its slash.
    path[slash == 0 ? 1 : slash] = '\0';
    return chdir(path) == 0;
}
