// The calibration screen's controls, mark and texts, and the program's error box.
#pragma once

#include <windows.h>

bool CreateCalibControls(HINSTANCE instance, HWND window, HWND* controls);
// Places the controls on the window's client area at dpi, with the text font.
void LayoutCalibControls(HWND window, HWND* controls, UINT dpi);
// Shows or hides the three buttons; the progress bar stays.
void ShowControls(HWND* controls, bool show);
void DrawMark(HDC dc, int x, int y);
void DrawInstruction(const wchar_t* text, HWND window, HDC dc);
void DrawWarning(const wchar_t* text, HWND window, HDC dc);
// The string textId, then the error line and the system's text when errorCode is not 0.
void ShowError(HWND owner, UINT textId, DWORD errorCode);
// What ShowError shows, without showing it.
void FormatErrorText(UINT textId, DWORD errorCode, wchar_t* text, int capacity);
