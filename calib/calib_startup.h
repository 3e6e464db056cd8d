// Start-up of the calibration program: options, devices, the refusals, the main window.
#pragma once

#include <windows.h>

#include "calib_context.h"

// Defaults first, then every value of the options key that reads as 4 bytes. Never fails.
void ReadCalibOptions(CalibOptions* options);
// A given index opens that device only (no baseline); -1 scans 0 to 3, takes a baseline of
// each device that opens and leaves the highest one in deviceIndex.
bool OpenTouchDevices(int32_t* deviceIndex, uint32_t* count);
bool IsWindowsTouchMode();
bool RegisterCalibClass(HINSTANCE instance);
// The topmost popup on the primary monitor's work area; false when the user cancels the
// multiple-monitor notice or the window cannot be created.
bool CreateCalibWindow(HINSTANCE instance);

// "  -12abc" reads as -12, text without digits as 0; the magnitude saturates.
int32_t ParseDeviceArgument(const wchar_t* text);

// Everything up to the running window. False when the program is to end now; every message
// has then been shown and every change written back.
bool StartCalibration(HINSTANCE instance, const wchar_t* commandLine);
// Closes the device handles.
void EndCalibration();
// The whole program; the exit code is 0 in every case.
int RunCalibProgram(HINSTANCE instance, const wchar_t* commandLine);
