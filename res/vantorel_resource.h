/* Identifiers of Vantorel.exe's resources (the splitter's window), shared by
   its resource script, its front end and the end-to-end tests. */
#ifndef SELVANORE_RES_VANTOREL_RESOURCE_H
#define SELVANORE_RES_VANTOREL_RESOURCE_H

#define IDS_SPLIT_WINDOW_CLASS 102
#define IDI_SPLIT_LARGE 103
#define IDI_SPLIT_SMALL 104
#define IDD_SPLIT 300

#define IDC_FILE 1100
#define IDC_BROWSE_FILE 1101
#define IDC_FILE_INFO 1102
#define IDC_CUT_KIND 1103
#define IDC_AMOUNT 1104
#define IDC_UNIT 1105
#define IDC_CHECKSUM 1106
#define IDC_OUT_DIR 1107
#define IDC_BROWSE_DIR 1108
#define IDC_PROGRESS 1109
#define IDC_SPLIT_ELAPSED 1110
#define IDC_SPLIT_REMAINING 1111
#define IDC_STATUS 1112
#define IDC_CUT 1113
#define IDC_STOP 1114
#define IDC_FILE_LABEL 1120
#define IDC_CUT_LABEL 1121
#define IDC_AMOUNT_LABEL 1122
#define IDC_CHECKSUM_LABEL 1123
#define IDC_OUT_DIR_LABEL 1124
#define IDC_RECOVERY 1125
#define IDC_RECOVERY_LABEL 1126

#endif
