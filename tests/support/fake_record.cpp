// A stand-in for the program's own record: tests fill g_fakeRecord.
#include "tests/support/fake_record.h"

uint8_t g_fakeRecord[SELVANORE_RECORD_SIZE];
bool g_fakeRecordMissing = false;

const uint8_t* GetOwnRecord() { return g_fakeRecordMissing ? nullptr : g_fakeRecord; }
