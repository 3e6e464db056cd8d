// Private control codes of the simulated touch driver, for tests and the demo only.
// Included by the driver (wdm.h) and by user mode (winioctl.h); CTL_CODE is defined by either.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "tq_ioctl.h"

#define IOCTL_TQSIM_SET_RAW_POINT                                                                  \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x900, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_TQSIM_SET_DEVICE_INFO                                                                \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x901, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_TQSIM_FAIL_NEXT CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x902, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_TQSIM_READ_STATE                                                                     \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x903, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_TQSIM_RESET_COUNTERS                                                                 \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x904, METHOD_BUFFERED, FILE_ANY_ACCESS)

// The five public codes, as indices into the per-code tables below.
enum SimCode {
    SimGetRawPoint = 0,
    SimReload = 1,
    SimGetDeviceInfo = 2,
    SimEnableClicks = 3,
    SimDisableClicks = 4,
    SimCodeCount = 5
};

struct SimFault {
    uint32_t code;   // SimCode
    uint32_t count;  // the next count requests of that code fail
    uint32_t status; // with this NTSTATUS
};

// Driver parameters and the calibration record as read at the last reload; a value that could
// not be read as a 4-byte value has its bit clear in the matching present mask.
enum SimParam {
    SimInputMode,
    SimClickMode,
    SimRightClickEnable,
    SimRightClickTimeout,
    SimRightClickDistanceX,
    SimRightClickDistanceY,
    SimBeep,
    SimParamCount
};
// Record values in the order A1, B1, C1, A2, B2, C2, Delta, Valid, CX, CY.
#define SIM_RECORD_VALUES 10

// Registry value names, by SimParam and in record order.
static const wchar_t* const SimParamNames[SimParamCount] = {L"InputMode",
                                                            L"ClickMode",
                                                            L"RightClickEnable",
                                                            L"RightClickTimeout",
                                                            L"RightClickDistanceX",
                                                            L"RightClickDistanceY",
                                                            L"Beep"};
static const wchar_t* const SimRecordNames[SIM_RECORD_VALUES] = {
    L"A1", L"B1", L"C1", L"A2", L"B2", L"C2", L"Delta", L"Valid", L"CX", L"CY"};

struct SimState {
    uint32_t index;
    uint32_t requests[SimCodeCount];     // how often each code was received (failed ones too)
    uint32_t lastSequence[SimCodeCount]; // driver-wide sequence number of the latest of each
    uint32_t clicksEnabled;              // 1 after enable or at start, 0 after disable
    uint32_t reloads;                    // reloads that read the registry
    uint32_t paramsPresent;              // bit per SimParam
    int32_t params[SimParamCount];
    uint32_t recordPresent; // bit per record value
    int32_t record[SIM_RECORD_VALUES];
};
