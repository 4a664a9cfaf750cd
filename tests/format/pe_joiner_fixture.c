/* A stand-in for the Windows joiner: carries the record template as its
   data resource (format/place.h), as the joiner does, finds it with the
   system's resource functions and prints it in the descriptor probe's
   format. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "format/place.h"

int main(void) {
    static const char* const engines[] = {"none", "MD5", "SHA-1", "SHA-224", "SHA-256"};
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(SELVANORE_RECORD_RESOURCE_ID),
                                MAKEINTRESOURCEA(SELVANORE_RECORD_RESOURCE_TYPE));
    HGLOBAL loaded = found != NULL ? LoadResource(NULL, found) : NULL;
    const unsigned char* record = loaded != NULL ? (const unsigned char*)LockResource(loaded) : NULL;
    unsigned kind = 0, count = 0;
    unsigned long long size = 0;
    char checksum[81], name[627];
    if (record == NULL || SizeofResource(NULL, found) != SELVANORE_RECORD_SIZE) {
        puts("LoadDescriptor failed");
        return 1;
    }
    memcpy(&kind, record + 80, 4);
    memcpy(&size, record + 84, 8);
    memcpy(&count, record + 92, 4);
    memcpy(checksum, record, 80);
    checksum[80] = 0;
    memcpy(name, record + 96, 626);
    name[626] = 0;
    if (kind > 4) {
        puts("LoadDescriptor failed");
        return 1;
    }
    printf("kind=%u\nsize=%llu\ncount=%u\nname=%s\nchecksum=%s\nengine=%s\n", kind, size, count,
           name, kind == 0 ? "" : checksum, engines[kind]);
    return 0;
}
