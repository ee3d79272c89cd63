// Resource ids, shared by the resource script and the code.
#pragma once

#define IDS_ERR_WEAPONS 1
#define IDS_ERR_ALLOW 2
#define IDS_ERR_ADDPREDIF 3
#define IDS_SUCCESS 4
#define IDS_UNKNOWN_ARGUMENT 5
#define IDS_OPEN_FAILED 6
#define IDS_SAVE_FAILED 7
#define IDS_BACKUP_FAILED 8
#define IDS_FILE_CHANGED 9
#define IDS_SAVE_DAMAGED 10
#define IDS_FILE_BUSY 11
#define IDS_SAVE_UNSURE 12
#define IDS_NOT_A_MEINIT 13
#define IDS_KEEP_FAILED 14
#define IDS_ERR_RESTORE 15

#define IDD_PROGUSAGE 103
#define IDR_MAINFRAME 128
#define IDI_USAGE 131

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
