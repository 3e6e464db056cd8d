// Raises the user's double-click time and rectangle to the configured minimums; never lowers.
#pragma once

#include <windows.h>

struct DoubleClickMinimums {
    DWORD time;  // milliseconds, compared unsigned
    DWORD width; // pixels, compared signed: 0x80000000 and above never raise
    DWORD height;
};

// Defaults, replaced by each value of the options key that is a REG_DWORD.
void ReadDoubleClickMinimums(DoubleClickMinimums* minimums);

// Reads the minimums and raises each setting that is below its minimum; failures are ignored.
void EnforceDoubleClickMinimums();
