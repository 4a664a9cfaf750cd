#include <windows.h>

#include "platform/platform.h"

uint32_t GetTickCount32() { return GetTickCount(); }
