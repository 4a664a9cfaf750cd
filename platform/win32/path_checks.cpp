// What the splitter asks of a path on Windows: its long form (an 8.3
// short name resolved), whether it reaches its file through a descriptor
// link (never), and whether the file it names can be trusted (always).
#include <windows.h>

#include "platform/paths.h"
#include "platform/win32/file_handle.h"

std::string LongPath(const std::string& path) {
    std::u16string wide;
    if (!WidePath(path, &wide)) return path;
    DWORD length = GetLongPathNameW(Wide(wide), nullptr, 0);
    if (length == 0) return path;
    std::u16string full(length, u'\0');
    length = GetLongPathNameW(Wide(wide), WideBuffer(full), length);
    if (length == 0 || length >= full.size()) return path;
    return Utf8Of(Wide(full), length);
}

bool IsDescriptorLink(const std::string&) {
    // Windows has no paths of open descriptors; its devices and pipes are
    // refused as files that are not regular.
    return false;
}

int CheckTrusted(const std::string& path, std::string* resolved, Distrust* distrust, SystemError*) {
    // The default joiner lies beside the program: a folder that the
    // installer's or the user's rights protect, with no POSIX owners and
    // modes to judge.
    *distrust = Distrust();
    *resolved = path;
    return 1;
}
