#include <cstdlib>

#include "platform/platform.h"

void* AllocateFixed(uint32_t size) { return std::malloc(size); }

void FreeFixed(void* block) { std::free(block); }
