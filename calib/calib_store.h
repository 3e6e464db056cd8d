// The per-screen calibration record and click settings in the registry.
// Each operation returns a success flag and leaves the cause in the last error.
#pragma once

#include <windows.h>

#include "calib_types.h"

// "...\Parameters\Screen<n>\Calibration" into a buffer of MAX_PATH characters.
void FormatCalibrationKey(unsigned n, wchar_t* path);

bool ReadCalibrationRecord(int n, CalibrationRecord* record);
bool WriteCalibrationRecord(int n, const CalibrationRecord* record);
bool LoadScreenSettings(int n, ScreenSettings* settings);
// Writes the click settings and the record, then reloads the driver on device, the open
// handle of screen n; the reload's result is the result.
bool ApplyScreenSettings(int n, const ScreenSettings* settings, HANDLE device);

// MaxCalError, read anew for each computation; 30 when it cannot be read.
uint32_t ReadMaxCalError();
