// User-mode access to the touch driver's device objects.
#pragma once

#include <windows.h>
#include <winioctl.h>
#include <stddef.h>

#include "tq_ioctl.h"

// Writes "\\.\TqTouch<n>" into name, which holds at least 260 characters.
void FormatTouchDeviceName(unsigned n, wchar_t* name, size_t capacity);

// Opens device n sharing read and write, open-existing, synchronous, with the given access.
// Returns INVALID_HANDLE_VALUE with the cause in the last error.
HANDLE OpenTouchDevice(unsigned n, DWORD access);

// Sends one control code that takes no input; only the success flag counts.
bool TouchControl(HANDLE device, DWORD code, void* output, DWORD outputSize);

// The raw point of the last touch. Counts only when the driver answers success with the whole
// record; a shorter answer fails with ERROR_INVALID_DATA and leaves the point zeroed.
bool ReadTouchPoint(HANDLE device, TouchRawPoint* point);
