// The screen-state watcher: suspends touch clicks while the screen saver runs or every monitor
// sleeps, and enables them again once the screen has been lit for a settling period.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <wtsapi32.h>

#include <atomic>

struct ServiceParameters {
    DWORD cycleTime;   // milliseconds between passes while clicks are enabled
    DWORD suspendTime; // milliseconds between passes while the enable is pending
    bool checkScreenSaver;
    bool checkMonitorState;
};

// Reads the service's own key; whatever is missing or not REG_DWORD keeps its default, so it
// always succeeds. Prints the values in debug mode.
bool ReadServiceParameters(ServiceParameters* params);

// The present monitors, listed once at start; opening an open list succeeds at once.
bool OpenMonitorList();
void CloseMonitorList();

// True only when at least one monitor has readable power data and all of those are in D1 to D3.
// The console display, once the system has told its state, counts as one more such monitor.
bool AllMonitorsAsleep();

// GUID_CONSOLE_DISPLAY_STATE (Windows 8 and later) and GUID_MONITOR_POWER_ON (Windows 7).
const GUID ConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID MonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

// Takes the console display's state from a power-setting notification (GUID_CONSOLE_DISPLAY_STATE
// or GUID_MONITOR_POWER_ON): off and dimmed count as asleep. False for any other setting.
bool NotePowerSetting(const POWERBROADCAST_SETTING* setting);
// Forgets the display's state: until the next notification only the device list counts.
void ForgetDisplayState();

// The screen saver of the session at the console, or of the program's own session when that is
// not session 0 (debug mode): a .scr program among that session's processes. A service cannot
// ask the console's window station, which belongs to another session.
BOOL WINAPI SessionScreenSaverRunning(BOOL* running);

// Sends the enable or disable code to every touch device that opens; false when one refused it.
bool SetTouchClicks(bool enable);

// Marks below the installed service's key (a volatile key, gone at reboot) that a watcher runs,
// until its final enable has gone through. True when the mark was there already: the last run
// ended without that enable (a crash), and touch clicks may still be suspended.
bool MarkWatcherRunning();

// Runs passes until terminate is signalled, then enables touch clicks and clears running as its
// very last act. With heal, the first pass enables touch clicks if the screen is lit.
void RunWatcher(const ServiceParameters& params, HANDLE terminate, std::atomic<bool>& running,
                bool heal = false);

// The platform calls behind the screen state. Wine reports no monitor power data, so tests
// substitute their own; NULL restores the platform's.
struct ScreenProbes {
    BOOL(WINAPI* screenSaverRunning)(BOOL* running);
    HDEVINFO(WINAPI* getClassDevs)
    (const GUID* classGuid, PCSTR enumerator, HWND parent, DWORD flags);
    BOOL(WINAPI* enumDeviceInfo)(HDEVINFO list, DWORD index, PSP_DEVINFO_DATA device);
    BOOL(WINAPI* getDeviceInstanceId)
    (HDEVINFO list, PSP_DEVINFO_DATA device, PSTR id, DWORD capacity, PDWORD required);
    BOOL(WINAPI* getDeviceRegistryProperty)
    (HDEVINFO list, PSP_DEVINFO_DATA device, DWORD property, PDWORD type, PBYTE buffer, DWORD size,
     PDWORD required);
    BOOL(WINAPI* destroyDeviceInfoList)(HDEVINFO list);
};
void SetScreenProbes(const ScreenProbes* probes);
