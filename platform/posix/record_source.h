// Where GetOwnRecord finds the join record on POSIX: the program's own
// section, unless a front end has read a record from elsewhere (a Windows
// joiner read as data, a checksum list) and hands its 722 bytes over here.
#ifndef SELVANORE_PLATFORM_POSIX_RECORD_SOURCE_H
#define SELVANORE_PLATFORM_POSIX_RECORD_SOURCE_H

#include <cstdint>

// From now on GetOwnRecord returns record, which must hold the record's 722
// bytes for as long as the job runs, and GetOwnNameRecord nameRecord (520
// bytes, or null for none); a null record gives back the program's own.
void UseRecordFrom(const uint8_t* record, const uint8_t* nameRecord);

#endif
