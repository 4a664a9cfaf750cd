/* Where the join record lives in a joiner, named once for every language
   that names it: C and C++ (the record's own reader in each joiner, the
   locator, the test stand-ins), the resource scripts (res/resource.h gives
   it to res/Selvanore.rc and res/joindesc.rc) and the assembler text of the
   Linux joiner's section (platform/posix/record.cpp).

   A Windows joiner carries the record as resource RCDATA (type 10) number
   1010, in one language; a Linux joiner as the allocated section
   ".joindesc". Either way it is the 722 bytes of res/joindesc.bin, the
   template, until the splitter stamps a copy. Only macros, so that the
   resource compiler and the assembler read them too.

   Beside it lies the name record (format/name_record.h): the output name
   exactly, in UTF-8, as resource RCDATA number 1011 or the section
   ".joinname", the 520 bytes of res/joinname.bin until stamped. */
#ifndef SELVANORE_FORMAT_PLACE_H
#define SELVANORE_FORMAT_PLACE_H

#define SELVANORE_RECORD_SIZE 722
#define SELVANORE_RECORD_RESOURCE_TYPE 10 /* RT_RCDATA */
#define SELVANORE_RECORD_RESOURCE_ID 1010
#define SELVANORE_RECORD_SECTION ".joindesc"

#define SELVANORE_NAME_RECORD_SIZE 520
#define SELVANORE_NAME_RECORD_RESOURCE_ID 1011
#define SELVANORE_NAME_RECORD_SECTION ".joinname"

#endif
