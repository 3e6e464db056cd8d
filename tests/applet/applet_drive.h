// Drives the Control Panel item as a host and a person would: the Control Panel protocol, the
// sheet found and pressed from another thread or process, and processes with fewer rights.
#pragma once

#include <windows.h>
#include <cpl.h>

#include <functional>
#include <string>
#include <vector>

// Every answer of one run of the protocol as Wine's Control Panel host sends it: CPL_INIT,
// CPL_GETCOUNT, CPL_INQUIRE, CPL_STARTWPARMSW, CPL_DBLCLK only when that answered 0, CPL_STOP,
// CPL_EXIT.
struct CplAnswers {
    LONG init = -1, count = -1, inquire = -1, start = -1, dblclk = -1, stop = -1, exit = -1;
    CPLINFO info = {-1, -1, -1, -1};
};
void RunLikeControlPanel(APPLET_PROC applet, const wchar_t* parameters, CplAnswers* answers);

// Runs open() on this thread; once a sheet of this process shows, drive(sheet) runs on a second
// thread. The sheet is cancelled afterwards if drive left it open. Returns open()'s result.
LONG WithSheet(const std::function<LONG()>& open, const std::function<void(HWND)>& drive);

// Opens the item linked into this program on a page (CPL_STARTWPARMSW), with drive running on
// its sheet as WithSheet runs it.
LONG OpenHere(const wchar_t* page, const std::function<void(HWND)>& drive);

// The visible property sheet of the process (0: of any process).
HWND WaitForSheet(DWORD processId, DWORD timeoutMs);
bool WaitGone(HWND window, DWORD timeoutMs);
// Makes the page current and returns its window.
HWND ShowPage(HWND sheet, int index);
int CurrentPage(HWND sheet);
// The tabs' texts, for a sheet of this process.
std::vector<std::wstring> TabTitles(HWND sheet);
// Posted, so that a handler that shows a box does not hold the caller.
void PressSheetButton(HWND sheet, int button);
void ClickItem(HWND dialog, int id);
std::wstring Text(HWND window);
std::wstring ItemText(HWND dialog, int id);
bool IsItemEnabled(HWND dialog, int id);
bool IsItemChecked(HWND dialog, int id);
// Clicks the Mouse Handling page's "Settings..." and returns the press-and-hold dialog.
HWND OpenSettings(HWND page);
// Each static text of the window fits its control's height once wrapped in the control's font.
void ExpectTextsFit(HWND window);

// Starts a command line, with the Administrators group deny-only when restricted; the process
// handle or NULL.
HANDLE StartProcess(const std::wstring& commandLine, bool restricted);
// Another process's command line, from its process parameters, without trailing blanks.
std::wstring CommandLineOf(HANDLE process);
// The command line that opens the item as the shell does.
std::wstring RundllCommand(const std::wstring& cpl, const wchar_t* page);

// Registers, or removes, a TabletInputService that reports start-pending for pendingMs (with a
// growing check point) before it runs.
void InstallTabletService(DWORD pendingMs);
void RemoveTabletService();
bool IsTabletServiceRunning();
