// The calibration screen at its monitor's DPI. The window, the marks and the stored screen size
// are in the monitor's physical pixels at any scaling; texts and buttons grow with the scaling.
#pragma once

#include <windows.h>

// Headers for Vista (WINVER 0x0600) do not define it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The window's DPI: its monitor's where the system scales per monitor, else the system's.
UINT CalibWindowDpi(HWND window);
// A length laid out for 96 DPI, at dpi (0, before the window exists, counts as 96).
int ScaleForDpi(int length, UINT dpi);
// The primary monitor's work area, or the whole screen when it cannot be read.
void PrimaryWorkArea(RECT* area);
// Makes the text font for dpi and lays the controls out again.
void SetCalibDpi(HWND window, UINT dpi);
// WM_DPICHANGED to a per-monitor window: the window back on the work area, texts and
// controls at the new DPI.
void OnCalibDpiChanged(HWND window, UINT dpi);
