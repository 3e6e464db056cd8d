// The per-screen calibration record and click settings in the registry.
// Each operation returns a success flag and leaves the cause in the last error.
#pragma once

#include <windows.h>

#include "calib_types.h"

// "...\Parameters\Screen<n>\Calibration" into a buffer of MAX_PATH characters.
void FormatCalibrationKey(unsigned n, wchar_t* path);

bool ReadCalibrationRecord(int n, CalibrationRecord* record);
bool WriteCalibrationRecord(int n, const CalibrationRecord* record);
// The click settings and the record of screen n. A missing record key gives zeros, not valid;
// a record that is there but cannot be read whole fails.
bool LoadScreenSettings(int n, ScreenSettings* settings);
// Writes the click settings and the record; the record also when the click settings failed.
// The first failure is the result.
bool StoreScreenSettings(int n, const ScreenSettings* settings);
// StoreScreenSettings, then the reload on device, the open handle of screen n, which is sent
// after a failed write too. A failed write is the result, else the reload's.
bool ApplyScreenSettings(int n, const ScreenSettings* settings, HANDLE device);

// MaxCalError, read anew for each computation; 30 when it cannot be read.
uint32_t ReadMaxCalError();
