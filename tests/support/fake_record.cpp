// A stand-in for the program's own record: tests fill g_fakeRecord.
#include "tests/support/fake_record.h"

uint8_t g_fakeRecord[SELVANORE_RECORD_SIZE];
bool g_fakeRecordMissing = false;

uint8_t g_fakeNameRecord[SELVANORE_NAME_RECORD_SIZE];
bool g_fakeNameRecordMissing = false;

const uint8_t* GetOwnRecord() { return g_fakeRecordMissing ? nullptr : g_fakeRecord; }
const uint8_t* GetOwnNameRecord() { return g_fakeNameRecordMissing ? nullptr : g_fakeNameRecord; }
