// The join record in the Windows program: resource RCDATA 1010 of the
// running executable, stamped by the splitter in a copy of the program.
#include <windows.h>

#include "platform/platform.h"

const uint8_t* GetOwnRecord() {
    HMODULE module = GetModuleHandleA(nullptr);
    if (module == nullptr) return nullptr;
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1010), MAKEINTRESOURCEA(10));
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) return nullptr;
    return static_cast<const uint8_t*>(LockResource(loaded));
}
