#ifndef SELVANORE_TESTS_SUPPORT_FAKE_RECORD_H
#define SELVANORE_TESTS_SUPPORT_FAKE_RECORD_H

#include <cstdint>

#include "platform/platform.h"
#include "format/place.h"

// The record GetOwnRecord returns, and whether it pretends to find none.
extern uint8_t g_fakeRecord[SELVANORE_RECORD_SIZE];
extern bool g_fakeRecordMissing;
// The name record GetOwnNameRecord returns, unless g_fakeNameRecordMissing.
extern uint8_t g_fakeNameRecord[SELVANORE_NAME_RECORD_SIZE];
extern bool g_fakeNameRecordMissing;

#endif
