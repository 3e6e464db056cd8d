// Resource ids of TqTouchCalib, shared by the English and German resources.
#pragma once

#define IDI_CALIB 107

#define IDS_CAPTION 103
#define IDS_RESTORE_FAILED 104
#define IDS_CONTROLS_FAILED 105
#define IDS_NO_ACCESS 106
#define IDS_NO_DEVICE 107
#define IDS_LOAD_FAILED 108
#define IDS_CHANGE_FAILED 109
#define IDS_MULTIPLE_MONITORS 110
#define IDS_CHOOSE_SCREEN 111
#define IDS_FIRST_MARK 112
#define IDS_REJECTED 113
#define IDS_CHECK 114
#define IDS_MARK_FAILED 115
#define IDS_NOT_RECOGNIZED 116
#define IDS_READ_FAILED 117
#define IDS_ERROR 118
#define IDS_OK 119
#define IDS_REDO 120
#define IDS_CLOSE 121
#define IDS_WINDOWS_TOUCH 122

// Command identifiers of the check-phase buttons and the countdown timer.
#define IDC_CLOSE 0x8005
#define IDC_REDO 0x8006
#define IDC_OK 0x8008
#define IDT_COUNTDOWN 0x8009
