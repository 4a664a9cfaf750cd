// The program's folder on Windows: the folder of the module's file.
#include <windows.h>

#include <string>

#include "platform/paths.h"
#include "platform/platform.h"
#include "text/unicode.h"

int UseProgramFolder() {
    SystemError error;
    std::string self = ProgramPath(&error);
    std::u16string folder;
    // The folder keeps its separator where it is a root: "C:\" is the root,
    // "C:" would be the drive's current directory.
    if (self.empty() || !Utf8ToUtf16(DirectoryName(self), &folder)) return 0;
    return SetCurrentDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str())) != 0;
}
