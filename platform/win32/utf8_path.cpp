// The splitter's UTF-8 paths to the wide calls and back: every name in any
// script, a lone surrogate carried through (text/unicode.h), and paths
// beyond MAX_PATH in the "\\?\" form.
#include <windows.h>

#include <string>

#include "platform/win32/file_handle.h"
#include "text/unicode.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide calls take UTF-16");

std::u16string LongForm(const std::u16string& path) {
    const size_t kShortEnough = MAX_PATH - 12;  // room for an 8.3 name in a directory
    if (path.size() < kShortEnough || path.compare(0, 4, u"\\\\?\\") == 0) return path;
    DWORD length = GetFullPathNameW(Wide(path), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::u16string full(length, u'\0');
    length = GetFullPathNameW(Wide(path), length, WideBuffer(full), nullptr);
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    if (full.compare(0, 2, u"\\\\") == 0) return u"\\\\?\\UNC\\" + full.substr(2);
    return u"\\\\?\\" + full;
}

int WidePath(const std::string& path, std::u16string* wide) {
    std::u16string utf16;
    if (!Utf8ToUtf16(path, &utf16)) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    *wide = LongForm(utf16);
    return 1;
}
