// Resource ids of TqTouchApplet, shared by the English and German resources.
#pragma once

// Icons. IDI_APPLET is the Control Panel item's icon and the sheet's minimised icon.
#define IDI_APPLET 1000
#define IDI_MOUSE 1347
#define IDI_CLICK_ON_TOUCH 1454
#define IDI_CLICK_ON_RELEASE 1455
#define IDI_CALIBRATION 1456
#define IDI_BEEP 1463
#define IDI_WINDOWS_TOUCH 1479

// Bitmaps: the press-and-hold test graphic, intact, three frames of breaking, broken; the
// About picture.
#define IDB_GLASS 1458
#define IDB_GLASS_CRACKED 1459
#define IDB_GLASS_BREAKING 1464
#define IDB_GLASS_SHATTERED 1465
#define IDB_GLASS_BROKEN 1466
#define IDB_ABOUT 1469

// Strings.
#define IDS_APP_NAME 1001
#define IDS_APP_DESCRIPTION 1002
#define IDS_UNKNOWN 1003
#define IDS_RESTART 1005
#define IDS_COLUMN_NAME 1006
#define IDS_VERSION_NONE 1007
#define IDS_TABLET_NOT_STARTED 1008
#define IDS_HELP 1010
#define IDS_TYPE_ELO 1014
#define IDS_LOCATION 1015
#define IDS_SERIAL_PORT 1016
#define IDS_DIRECT_IO 1017
#define IDS_FIRMWARE 1019
#define IDS_COLUMN_TYPE 1020
#define IDS_DEVICE_STATUS 1021
#define IDS_CALIBRATED 1022
#define IDS_NOT_CALIBRATED 1023
#define IDS_NEED_ADMIN 1024
#define IDS_CREATE_KEY_FAILED 1026
#define IDS_WRITE_VALUE_FAILED 1029
#define IDS_RESTART_FAILED 1424
#define IDS_TYPE_STANDARD 1479
#define IDS_TABLET_ONLY 1480
#define IDS_NO_TOUCH_INPUT 1481

// Dialogs: the five pages shown, the About page and the press-and-hold settings.
#define IDD_CALIBRATION 1100
#define IDD_ABOUT 1227
#define IDD_RIGHT_CLICK 1232
#define IDD_MODE 1235
#define IDD_OPTIONS 1236
#define IDD_HARDWARE 1237
#define IDD_MOUSE 1477

// Mode page.
#define IDC_MODE_TOUCH_TEXT 1486
#define IDC_MODE_WINDOWS_TOUCH 1487
#define IDC_MODE_MOUSE 1488
#define IDC_MODE_TABLET_SETTINGS 1489
#define IDC_MODE_MOUSE_SETTINGS 1490
#define IDC_MODE_STATUS 1492

// Mouse handling page.
#define IDC_CLICK_EMULATE 1462
#define IDC_CLICK_ON_TOUCH 1463
#define IDC_CLICK_ON_RELEASE 1464
#define IDC_CLICK_SETTINGS 1468

// Calibration page.
#define IDC_CALIBRATE 1466
#define IDC_CALIB_NO_TIMEOUT 1467
#define IDC_CALIB_POINTS 1482
#define IDC_CALIB_MARGIN 1483
#define IDC_CALIB_MARGIN_SPIN 1484

// Options page.
#define IDC_BEEP 1473

// Hardware page ("&Calibrate..." is IDC_CALIBRATE, hidden).
#define IDC_HW_LIST 1474
#define IDC_HW_LOCATION 1476
#define IDC_HW_STATUS 1477
#define IDC_HW_FIRMWARE 1478
#define IDC_HW_SELECT 1485
#define IDC_HW_RESET 1491

// About page.
#define IDC_ABOUT_MODULES 1247
#define IDC_ABOUT_VERSION 1248
// Which package is installed: the applet's own architecture.
#define IDC_ABOUT_ARCH 1249
#define IDS_ABOUT_X86 1031
#define IDS_ABOUT_X64 1032

// Press-and-hold settings dialog.
#define IDC_RC_ENABLE 1447
#define IDC_RC_SPEED_GROUP 1448
#define IDC_RC_SPEED_TEXT 1449
#define IDC_RC_TIME_LABEL 1450
#define IDC_RC_TIME 1451
#define IDC_RC_SHORT 1452
#define IDC_RC_LONG 1453
#define IDC_RC_DISTANCE_TEXT 1454
#define IDC_RC_DISTANCE_LABEL 1455
#define IDC_RC_SMALL 1456
#define IDC_RC_DISTANCE 1457
#define IDC_RC_LARGE 1458
#define IDC_RC_TOLERANCE_GROUP 1459
#define IDC_RC_TEST_GROUP 1460
#define IDC_RC_TEST_TEXT 1461
#define IDC_RC_GRAPHIC 1472

// The dialog layer's validation texts.
#define IDS_DX_INTEGER 0xF110
#define IDS_DX_INTEGER_RANGE 0xF111
