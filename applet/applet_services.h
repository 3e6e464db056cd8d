// What the entry point and the pages share: rights and version checks, error texts, the
// calibration launcher and the parameter reload. All run on the sheet's thread.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The caller's token holds the built-in Administrators group as an enabled member.
bool IsAdministrator();
// The system is version 6.1 or later.
bool IsWindows7OrLater();
// "(Code <code>) " and the system's text for the code, without trailing white space. The text
// stays valid until the next call.
const wchar_t* ErrorCodeText(DWORD code);
// The string, a line break and the error code text in an error box; code 0 takes the last error.
void ShowRegistryError(UINT stringId, DWORD code);
// Starts TqTouchCalib.exe from the applet's folder (with the device index unless it is negative)
// and waits until it has ended; false when it could not be started.
bool LaunchCalibration(HWND owner, int deviceIndex);
// Tells every touch device to read its parameters again; true when one of them accepted.
bool ReloadParameters();
struct DwordValue {
    const wchar_t* name;
    DWORD value;
};
// How every page writes its settings, for administrators only (others write nothing, silently):
// creates or opens the key under HKEY_LOCAL_MACHINE (the registry error box with 1026 when it
// cannot) and stores the values in order as REG_DWORD; a first value that cannot be written shows
// the box with 1029 and the rest are still written. After the driver's parameters, the reload.
// True when the key and the first value were written and, where a reload was due, a device took it.
bool WriteSettings(const wchar_t* path, const DwordValue* values, size_t count);
// Starts a program of the applet's folder through the shell, with "open" for an administrator and
// "runas" otherwise, in that folder; its process handle, when the shell gives one, is the
// caller's to close. False when it could not be started; the shell may have said why.
bool StartFromAppletFolder(HWND owner, const wchar_t* file, const wchar_t* parameters,
                           HANDLE* process);
// The folder of the applet's module, without a trailing backslash.
bool GetAppletFolder(wchar_t* folder, DWORD capacity);

// Calls that Wine cannot answer as Windows would: an elevation prompt the user refuses, and a
// system with Tablet PC input.
struct AppletSeams {
    HINSTANCE(WINAPI* shellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    int(WINAPI* getSystemMetrics)(int);
};
extern AppletSeams g_appletSeams;
