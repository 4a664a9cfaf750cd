// Processors without SHA extensions the program knows: the portable block
// functions are the only ones, and asking for the hardware ones changes
// nothing.
#include "hash/accel.h"

bool CpuHasShaExtensions() { return false; }

Sha1BlockFunction Sha1Blocks() { return Sha1BlocksPortable; }

Sha256BlockFunction Sha256Blocks() { return Sha256BlocksPortable; }

bool UseShaExtensions(bool) { return false; }

Md5LanesFunction Md5Lanes() { return nullptr; }

bool UseMd5Lanes(Md5LanesLimit) { return false; }
