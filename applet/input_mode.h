// The current input mode, owned by the Mode page: the effective InputMode (1 touch as mouse
// input, 2 Windows touch support), read as the sheet is built. The Calibration and Mouse Handling
// pages enable their controls only while it is 1.
#pragma once

#include <windows.h>

DWORD CurrentInputMode();
void PublishInputMode(DWORD mode);
