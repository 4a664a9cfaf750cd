// The join record in the Windows program: its resource (format/place.h) in
// the running executable, stamped by the splitter in a copy of the program.
#include <windows.h>

#include "platform/platform.h"
#include "format/place.h"

const uint8_t* GetOwnRecord() {
    HMODULE module = GetModuleHandleA(nullptr);
    if (module == nullptr) return nullptr;
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(SELVANORE_RECORD_RESOURCE_ID),
                                   MAKEINTRESOURCEA(SELVANORE_RECORD_RESOURCE_TYPE));
    if (resource == nullptr) return nullptr;
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) return nullptr;
    return static_cast<const uint8_t*>(LockResource(loaded));
}
