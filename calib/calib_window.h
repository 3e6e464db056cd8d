// The main window's procedure: the calibration state machine.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include "calib_context.h"
#include "tq_ioctl.h"

LRESULT CALLBACK CalibWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The first open device, in index order, whose raw point reads and differs from its baseline.
bool FindTouchedDevice(int32_t* deviceIndex);
bool ReadRawPoint(int32_t deviceIndex, TouchRawPoint* point);
void RestartCalibration(bool withRejection);
// Writes the saved settings back (when anything was changed) and destroys the window.
void RestoreAndClose();
// Keeps the new record with the saved click settings and destroys the window.
void AcceptAndClose();
// The saved settings back; message 104 owned by owner when that fails.
bool WriteBackSaved(HWND owner);
// Applies the working (calibration-mode) settings. On failure writes the saved settings back
// and shows message 109, and 104 when that write fails too.
bool SwitchToCalibrationMode(HWND owner);

// The text the current state shows, formatted; false when the state shows none. warning is
// set for the red rejection text.
bool ComposeStateText(wchar_t* text, int capacity, bool* warning);
