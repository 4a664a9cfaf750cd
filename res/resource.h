/* Identifiers of the program's resources, shared by the resource script and
   the Windows front end. */
#ifndef SELVANORE_RES_RESOURCE_H
#define SELVANORE_RES_RESOURCE_H

#include "format/place.h"

#define IDS_PROGRAM_NAME 101
#define IDS_WINDOW_CLASS 102
#define IDI_LARGE 103
#define IDI_SMALL 104
#define IDA_MAIN 102
#define IDD_JOIN 200
#define IDR_JOIN_RECORD SELVANORE_RECORD_RESOURCE_ID /* an RCDATA resource */
#define IDR_NAME_RECORD SELVANORE_NAME_RECORD_RESOURCE_ID /* an RCDATA resource */

#define IDC_START 1000
#define IDC_CANCEL 1001
#define IDC_DELETE_INPUTS 1002
#define IDC_ELAPSED 1003
#define IDC_REMAINING 1004
#define IDC_REPORT 1005

#endif
