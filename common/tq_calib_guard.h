// What keeps a calibration cut short (a kill, a crash, power loss, the end of the session) from
// leaving a screen in calibration mode: before the switch, the calibration program keeps the
// settings it saved where they outlive the process, and removes them when its run ends by one of
// its own ways. Whoever finds them with no calibration running writes them back: the service at
// its start, and the calibration program before it saves anything.
#pragma once

#include <windows.h>

#include "calib_types.h"

// Held by a running calibration for its whole run; the system releases it when the process
// ends, however it ends. In the global namespace, so that the service in session 0 and the
// program in the user's session see the same one.
const wchar_t* const CalibrationLockName = L"Global\\TqTouchCalibration";
// Below the options key: the screen and the settings saved before the switch, one binary record.
const wchar_t* const KeptSettingsName = L"UnfinishedCalibration";

// The lock, waiting up to waitMs for another holder to let go. NULL when a calibration is
// still running (ERROR_BUSY) or the lock cannot be made.
HANDLE AcquireCalibrationLock(DWORD waitMs);
void ReleaseCalibrationLock(HANDLE lock);

// Keeps screen n's saved settings, on disk before the switch that they undo.
bool KeepSavedSettings(int n, const ScreenSettings* saved);
// Removes them once the driver's settings that end the run are on disk.
bool ForgetSavedSettings();
// With the lock held: writes back what a calibration cut short kept, reloads its screen (a
// screen that cannot be reached takes them at its next start) and removes them. True when
// nothing was kept.
bool WriteBackKeptSettings();
// The service's start: the above, unless a calibration is running.
bool UndoCutShortCalibration();
