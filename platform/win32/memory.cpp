#include <windows.h>

#include "platform/platform.h"

void* AllocateFixed(uint32_t size) { return GlobalAlloc(GMEM_FIXED, size); }

void FreeFixed(void* block) { GlobalFree(block); }
