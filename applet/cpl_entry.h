// The Control Panel entry point of TqTouchApplet.cpl.
#pragma once

#include <windows.h>

extern "C" LONG APIENTRY CPlApplet(HWND controlPanel, UINT message, LPARAM param1, LPARAM param2);

// The start page of a CPL_STARTWPARMSW parameter string: its leading decimal number when it
// begins with a digit, else 0 (NULL included).
int ParseStartPage(const wchar_t* parameters);
