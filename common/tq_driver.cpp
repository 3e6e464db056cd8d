#include "tq_driver.h"

#include <stdio.h>

void FormatTouchDeviceName(unsigned n, wchar_t* name, size_t capacity)
{
    _snwprintf(name, capacity, L"\\\\.\\TqTouch%u", n);
    name[capacity - 1] = L'\0';
}

HANDLE OpenTouchDevice(unsigned n, DWORD access)
{
    wchar_t name[MAX_PATH];
    FormatTouchDeviceName(n, name, MAX_PATH);
    return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                       NULL);
}

bool TouchControl(HANDLE device, DWORD code, void* output, DWORD outputSize)
{
    DWORD returned = 0;
    return DeviceIoControl(device, code, NULL, 0, output, outputSize, &returned, NULL) != FALSE;
}

bool ReadTouchPoint(HANDLE device, TouchRawPoint* point)
{
    point->x = 0;
    point->y = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(device, IOCTL_TQTOUCH_GET_RAW_POINT, NULL, 0, point, sizeof(*point),
                         &returned, NULL))
        return false;
    if (returned == sizeof(*point))
        return true;
    point->x = 0;
    point->y = 0;
    SetLastError(ERROR_INVALID_DATA);
    return false;
}
