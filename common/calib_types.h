// What the calibration program stores and restores for one screen. Free of platform headers.
#pragma once

#include <stdint.h>

// No more marks than this have positions; the point tables hold this many entries.
const uint32_t MaxCalibPoints = 9;

// Screen X = (A1·x + B1·y + C1) / Delta, screen Y = (A2·x + B2·y + C2) / Delta from raw x, y.
struct CalibrationRecord {
    int32_t A1, B1, C1, A2, B2, C2, Delta, Valid, CX, CY;
};

struct ScreenSettings {
    uint32_t RightClickEnable;
    uint32_t ClickMode;
    CalibrationRecord record;
};
