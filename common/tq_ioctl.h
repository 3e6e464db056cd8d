// Control codes and records of the touch driver. Shared by user mode (winioctl.h) and the
// simulated kernel driver (wdm.h); whoever includes this has CTL_CODE defined already.
#pragma once

#include <stddef.h>
#include <stdint.h>

#define TQTOUCH_DEVICE_TYPE 6

#define IOCTL_TQTOUCH_GET_RAW_POINT                                                                \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x800, METHOD_BUFFERED, FILE_READ_ACCESS)
#define IOCTL_TQTOUCH_RELOAD_PARAMETERS                                                            \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_TQTOUCH_GET_DEVICE_INFO                                                              \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x802, METHOD_BUFFERED, FILE_READ_ACCESS)
#define IOCTL_TQTOUCH_ENABLE_CLICKS                                                                \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x805, METHOD_BUFFERED, FILE_WRITE_ACCESS)
#define IOCTL_TQTOUCH_DISABLE_CLICKS                                                               \
    CTL_CODE(TQTOUCH_DEVICE_TYPE, 0x806, METHOD_BUFFERED, FILE_WRITE_ACCESS)

// The driver serves at most this many screens, as \\.\TqTouch0 to \\.\TqTouch3.
#define TQTOUCH_MAX_DEVICES 4

struct TouchRawPoint {
    int32_t x; // controller units, uncalibrated
    int32_t y;
};

enum TouchControllerType { ControllerUnknown = 0, ControllerStandard = 1, ControllerElo = 2 };
enum TouchConnection { ConnectionUnknown = 0, ConnectionSerial = 1, ConnectionDirectIo = 2 };

struct TouchDeviceInfo {
    uint32_t controllerType;
    uint32_t connection;
    uint8_t firmwareMinor;
    uint8_t firmwareMajor;
    uint8_t reserved[2];
};

#ifdef __cplusplus
static_assert(IOCTL_TQTOUCH_GET_RAW_POINT == 0x66000, "raw point code");
static_assert(IOCTL_TQTOUCH_RELOAD_PARAMETERS == 0x62004, "reload code");
static_assert(IOCTL_TQTOUCH_GET_DEVICE_INFO == 0x66008, "device info code");
static_assert(IOCTL_TQTOUCH_ENABLE_CLICKS == 0x6A014, "enable code");
static_assert(IOCTL_TQTOUCH_DISABLE_CLICKS == 0x6A018, "disable code");
static_assert(sizeof(TouchRawPoint) == 8, "TouchRawPoint size");
static_assert(offsetof(TouchRawPoint, x) == 0 && offsetof(TouchRawPoint, y) == 4, "TouchRawPoint");
static_assert(sizeof(TouchDeviceInfo) == 12, "TouchDeviceInfo size");
static_assert(offsetof(TouchDeviceInfo, connection) == 4, "TouchDeviceInfo connection");
static_assert(offsetof(TouchDeviceInfo, firmwareMinor) == 8, "TouchDeviceInfo minor");
static_assert(offsetof(TouchDeviceInfo, firmwareMajor) == 9, "TouchDeviceInfo major");
#endif
