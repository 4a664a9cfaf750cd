// The program's folder on Windows: the folder of the module's file.
#include <windows.h>

#include <new>

#include "platform/platform.h"

int UseProgramFolder() {
    // The longest path Windows knows is 32,767 units.
    const DWORD capacity = 32768;
    wchar_t* path = new (std::nothrow) wchar_t[capacity];
    if (path == nullptr) return 0;
    DWORD length = GetModuleFileNameW(nullptr, path, capacity);
    int ok = 0;
    if (length > 0 && length < capacity) {
        DWORD end = length;
        while (end > 0 && path[end - 1] != L'\\' && path[end - 1] != L'/') --end;
        // The folder keeps its separator: "C:\" is the root, "C:" would be
        // the drive's current directory.
        if (end > 0) {
            path[end] = L'\0';
            ok = SetCurrentDirectoryW(path) != 0;
        }
    }
    delete[] path;
    return ok;
}
