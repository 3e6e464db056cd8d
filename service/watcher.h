// The screen-state watcher: suspends touch clicks while the screen saver runs or every monitor
// sleeps, and enables them again once the screen has been lit for a settling period.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

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
bool AllMonitorsAsleep();

// Sends the enable or disable code to every touch device that opens.
void SetTouchClicks(bool enable);

// Runs passes until terminate is signalled, then enables touch clicks and clears running as its
// very last act.
void RunWatcher(const ServiceParameters& params, HANDLE terminate, std::atomic<bool>& running);

// The platform calls behind the screen state. Wine reports neither a running screen saver nor
// monitor power data, so tests substitute their own; NULL restores the platform's.
struct ScreenProbes {
    BOOL(WINAPI* systemParametersInfo)(UINT action, UINT param, PVOID value, UINT flags);
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
