// What the recovery survey (join/rebuild.cpp) and the rebuild's pass
// (join/rebuild_pass.cpp) share: the job's recovery data and a few readings
// of it. Only these two files include it.
#ifndef SELVANORE_JOIN_REBUILD_SHARED_H
#define SELVANORE_JOIN_REBUILD_SHARED_H

#include <cstdint>

#include "join/rebuild.h"

// No part: a slice check that is not running, a name not found.
const uint32_t kNoPart = 0xFFFFFFFFu;

RecoveryData* Data();
const Par2File& FileOf(uint32_t part);
bool NeedsRebuild(PartState state);
// The CRC-32 carried on over count zero bytes.
uint32_t CrcOfZeros(uint64_t count, uint32_t crc);
// Reads exactly size bytes at offset.
int ReadAt(FileHandle file, uint64_t offset, void* buffer, uint32_t size);
// After a recovery slice's data came out other than its packet's hash: the
// recovery files are scanned again with every packet checked, and the
// slices found so replace the survey's.
void RescanChecked(RecoveryData* data);

#endif
