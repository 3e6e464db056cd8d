// Drives the calibration screen, and other windows, as a user would: reads them off the display,
// touches them with real mouse input and answers their message boxes. Shared by the calibration
// tests, the demo's finger and tour, the package test and the benchmark.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const COLORREF CalibMarkColor = RGB(232, 128, 52);

struct ScreenShot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first
    COLORREF At(int x, int y) const;
};

bool CaptureScreen(ScreenShot* shot);
// A 24-bit BMP of the shot.
bool SaveBitmap(const ScreenShot& shot, const wchar_t* path);

// The cross with its white centre: orange two pixels out in all four directions.
bool IsMarkAt(const ScreenShot& shot, int x, int y);
// The centre of the one mark on the screen.
bool FindMark(const ScreenShot& shot, POINT* centre);
// Pixels that are pure red (the rejection text) inside the rectangle.
int CountColor(const ScreenShot& shot, const RECT& area, COLORREF color);

// Polls the screen until the mark is no longer at from: true with the new mark's centre, false
// when no mark shows (or nothing changed in time, then *found is left as from).
bool WaitForMarkMove(POINT from, POINT* found, DWORD timeoutMs);

// A list view's item texts, and the screen rectangle of a list view or tab item
// (LVM_GETITEMRECT with LVIR_ICON, or TCM_GETITEMRECT), for a control of another process: read
// through memory allocated in that process.
std::vector<std::wstring> ListViewItems(HWND list);
bool ItemScreenRect(HWND control, UINT message, int index, RECT* rect);

// Real input through SendInput: the pointer to (x, y), then press and release.
void MovePointer(int x, int y);
void Click(int x, int y);
void DoubleClick(int x, int y);
void PressKey(WORD virtualKey);

// Starts a program as the applet starts the calibration: verb "open", from the program's own
// folder. The process handle, or NULL with the cause in the last error.
HANDLE LaunchLikeTheApplet(const std::wstring& program, const wchar_t* parameters);

// Calls done() until it holds, processing this thread's messages meanwhile when pump is set.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, bool pump);
// Lets this thread's windows run for a while.
void Pump(DWORD ms);
HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs);

// Answers every message box with the caption, in any process, from a thread of its own, and
// keeps what each one said. hold keeps a box open that long before it is answered.
class BoxWatcher
{
  public:
    explicit BoxWatcher(const wchar_t* caption, int answer = IDOK, DWORD holdMs = 0);
    ~BoxWatcher();
    std::vector<std::wstring> Texts();
    size_t Count();
    void SetAnswer(int answer);

  private:
    static DWORD WINAPI Run(void* self);
    std::wstring caption_;
    volatile LONG answer_;
    DWORD hold_;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<std::wstring> texts_;
    std::vector<HWND> handled_;
    HANDLE thread_ = NULL;
};

// What a message box says for a string of the program and a system error, as the program
// builds it: text, "\nError <code>: " and the system's text without the trailing line break.
std::wstring ExpectedErrorText(const std::wstring& text, const std::wstring& word, DWORD code);
