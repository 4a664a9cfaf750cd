// Paths on Windows: '/' and '\' both separate components, a drive prefix
// ("C:") may begin a path, and a name is joined with the separator the
// directory already uses. The program's own path comes from its module.
#include <windows.h>

#include "platform/paths.h"
#include "platform/win32/file_handle.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The length of a drive prefix ("C:") at the start of path, or 0.
size_t DrivePrefix(const std::string& path) {
    bool letter = path.size() >= 2 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter && path[1] == ':' ? 2 : 0;
}

}  // namespace

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos) return path.substr(DrivePrefix(path));
    return path.substr(slash + 1);
}

std::string DirectoryName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t drive = DrivePrefix(path);
    if (slash == std::string::npos) return drive > 0 ? path.substr(0, drive) : ".";
    // The root of a drive or of the current drive keeps its separator.
    if (slash == drive) return path.substr(0, slash + 1);
    // Repeated separators end the directory's name at the first of them.
    while (slash > drive + 1 && IsSeparator(path[slash - 1])) --slash;
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty() || IsSeparator(directory.back()) ||
        (directory.size() == 2 && DrivePrefix(directory) == 2)) {
        return directory + name;
    }
    // The separator the directory's own path uses, a backslash by default.
    size_t slash = directory.find_last_of("/\\");
    return directory + (slash != std::string::npos ? directory[slash] : '\\') + name;
}

std::string ProgramPath(SystemError* error) {
    std::u16string self(MAX_PATH, u'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, WideBuffer(self), static_cast<DWORD>(self.size()));
        if (length == 0) {
            Failed(error, GetLastError());
            return "";
        }
        if (length < self.size()) return Utf8Of(Wide(self), length);
        // The longest path Windows knows is 32,767 units.
        if (self.size() > 32768) {
            Failed(error, ERROR_INSUFFICIENT_BUFFER);
            return "";
        }
        self.resize(self.size() * 2);
    }
}
