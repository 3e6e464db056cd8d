// The calibration program's state: one program-wide object shared by start-up, the window
// procedure and the drawing code, all on the one thread of the message loop.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <winioctl.h>

#include "calib_types.h"
#include "tq_ioctl.h"

// The check phase; the mark states are 1 to CalibPoints, the screen choice is 0.
const uint32_t StateScreenChoice = 0;
const uint32_t StateCheck = 255;

const UINT CountdownPeriod = 1000;

struct CalibOptions {
    uint32_t CalibTimeoutHit;
    uint32_t CalibTimeoutAccept;
    uint32_t CalibTimeout;
    uint32_t CalibPoints;
    uint32_t CalibMargin;
};

enum CalibControl { ControlOk, ControlRedo, ControlClose, ControlProgress, ControlCount };

// The few platform calls that Wine cannot make fail or vary on demand; tests replace them.
struct CalibSeams {
    int(WINAPI* getSystemMetrics)(int index);
    BOOL(WINAPI* initCommonControls)(const INITCOMMONCONTROLSEX* init);
};

struct CalibContext {
    HINSTANCE instance;
    wchar_t caption[100];
    HANDLE devices[TQTOUCH_MAX_DEVICES];
    TouchRawPoint baselines[TQTOUCH_MAX_DEVICES];
    int32_t deviceIndex;
    CalibOptions options;
    ScreenSettings saved;
    ScreenSettings working;
    // The driver's settings were (or may have been) changed, so every end writes saved back.
    bool changed;
    uint32_t state;
    bool rejected;
    uint32_t worstDeviation;
    int32_t worstIndex;
    int32_t markX[MaxCalibPoints], markY[MaxCalibPoints];
    int32_t rawX[MaxCalibPoints], rawY[MaxCalibPoints];
    HWND window;
    HWND controls[ControlCount];
    // The window's DPI and the text font made for it (calib_dpi).
    UINT dpi;
    HFONT font;
    // The countdown counts here; the progress bar, when there is one, only shows it.
    uint32_t countdown;
    uint32_t countdownLimit;
    bool cursorVisible;
    bool ignoreNextRelease;
    CalibSeams seams;
};

extern CalibContext g_calib;

// Clears the context to the state before start-up: no devices, index -1, the real platform.
void ResetCalibContext(HINSTANCE instance);

// Calibration mode: no press-and-hold right click, click on release, no calibration.
void SetCalibrationModeSettings(ScreenSettings* settings);
