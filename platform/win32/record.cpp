// The join record in the Windows program: its resource (format/place.h) in
// the running executable, stamped by the splitter in a copy of the program.
#include <windows.h>

#include "platform/platform.h"
#include "format/place.h"

namespace {

// The bytes of one of the program's own data resources, when it has exactly
// the size asked for.
const uint8_t* OwnData(int id, DWORD size) {
    HMODULE module = GetModuleHandleA(nullptr);
    if (module == nullptr) return nullptr;
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id),
                                   MAKEINTRESOURCEA(SELVANORE_RECORD_RESOURCE_TYPE));
    if (resource == nullptr || SizeofResource(module, resource) != size) return nullptr;
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) return nullptr;
    return static_cast<const uint8_t*>(LockResource(loaded));
}

}  // namespace

const uint8_t* GetOwnRecord() { return OwnData(SELVANORE_RECORD_RESOURCE_ID, SELVANORE_RECORD_SIZE); }

const uint8_t* GetOwnNameRecord() {
    return OwnData(SELVANORE_NAME_RECORD_RESOURCE_ID, SELVANORE_NAME_RECORD_SIZE);
}
