#include "watcher.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "log_event.h"
#include "tq_driver.h"
#include "tq_registry.h"

namespace
{

// The monitor setup class {4d36e96e-e325-11ce-bfc1-08002be10318}.
const GUID MonitorClass = {
    0x4d36e96e, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

const DWORD InstanceIdCapacity = 200;
// Only this many monitors are remembered for the trace; later ones still count.
const DWORD TracedMonitors = 100;

const ScreenProbes PlatformProbes = {
    SessionScreenSaverRunning,
    SetupDiGetClassDevsA,
    SetupDiEnumDeviceInfo,
    SetupDiGetDeviceInstanceIdA,
    SetupDiGetDeviceRegistryPropertyA,
    SetupDiDestroyDeviceInfoList,
};

const ScreenProbes* g_probes = &PlatformProbes;
HDEVINFO g_monitors = INVALID_HANDLE_VALUE;
// What the trace printed last per monitor, so that each line appears once per change.
DWORD g_tracedState[TracedMonitors];
DWORD g_tracedError[TracedMonitors];

// Written by the control handler's thread, read by the watcher's.
const LONG DisplayUnknown = -1;
const LONG DisplayOn = 1; // 0 off, 2 dimmed
volatile LONG g_display = DisplayUnknown;

// An instance id ending in "&8087" + 7 characters + "&22" belongs to no real screen.
bool IsIgnoredMonitor(const char* id)
{
    size_t length = strlen(id);
    return length > 15 && _strnicmp(id + length - 15, "&8087", 5) == 0 &&
           _strnicmp(id + length - 3, "&22", 3) == 0;
}

bool IsScreenSaverProgram(const wchar_t* name)
{
    const size_t length = name ? wcslen(name) : 0;
    return length > 4 && _wcsicmp(name + length - 4, L".scr") == 0;
}

void ClearRunning()
{
    HKEY service;
    if (!OpenRegKey(TouchServiceKey, DELETE | KEY_ENUMERATE_SUB_KEYS, &service))
        return;
    RegDeleteKeyW(service, ServiceRunningKeyPart);
    RegCloseKey(service);
}

void FormatStamp(char* stamp, size_t capacity)
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    snprintf(stamp, capacity, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
             now.wMilliseconds);
}

} // namespace

bool MarkWatcherRunning()
{
    HKEY service;
    if (!OpenRegKey(TouchServiceKey, KEY_CREATE_SUB_KEY, &service))
        return false;
    HKEY marker;
    DWORD disposition = 0;
    if (RegCreateKeyExW(service, ServiceRunningKeyPart, 0, NULL, REG_OPTION_VOLATILE, KEY_READ,
                        NULL, &marker, &disposition) == ERROR_SUCCESS)
        RegCloseKey(marker);
    RegCloseKey(service);
    return disposition == REG_OPENED_EXISTING_KEY;
}

bool ReadServiceParameters(ServiceParameters* params)
{
    params->cycleTime = CycleTimeDefault;
    params->suspendTime = TouchClickSuspendTimeDefault;
    params->checkScreenSaver = CheckScreenSaverDefault != 0;
    params->checkMonitorState = CheckMonitorStateDefault != 0;

    HKEY key;
    if (OpenRegKey(ServiceParametersKey, KEY_READ, &key)) {
        ReadDwordStrict(key, CycleTimeName, &params->cycleTime);
        ReadDwordStrict(key, TouchClickSuspendTimeName, &params->suspendTime);
        DWORD flag;
        if (ReadDwordStrict(key, CheckScreenSaverName, &flag))
            params->checkScreenSaver = flag != 0;
        if (ReadDwordStrict(key, CheckMonitorStateName, &flag))
            params->checkMonitorState = flag != 0;
        RegCloseKey(key);
    } else {
        TracePrint("Parameters key not found: using default values\n");
    }
    TracePrint("Cycle time: %d\n", static_cast<int>(params->cycleTime));
    TracePrint("Touch click suspend time: %d\n", static_cast<int>(params->suspendTime));
    TracePrint("Check screen saver: %s\n", params->checkScreenSaver ? "yes" : "no");
    TracePrint("Check monitor state: %s\n", params->checkMonitorState ? "yes" : "no");
    return true;
}

bool OpenMonitorList()
{
    if (g_monitors != INVALID_HANDLE_VALUE)
        return true;
    HDEVINFO list = g_probes->getClassDevs(&MonitorClass, NULL, NULL, DIGCF_PRESENT);
    if (list == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        TracePrint("SetupDiGetClassDevs() failed, error %08xh\n", static_cast<unsigned>(error));
        SetLastError(error);
        return false;
    }
    memset(g_tracedState, 0, sizeof(g_tracedState));
    memset(g_tracedError, 0, sizeof(g_tracedError));
    g_monitors = list;
    return true;
}

void CloseMonitorList()
{
    HDEVINFO list = InterlockedExchangePointer(&g_monitors, INVALID_HANDLE_VALUE);
    if (list != INVALID_HANDLE_VALUE)
        g_probes->destroyDeviceInfoList(list);
}

bool AllMonitorsAsleep()
{
    HDEVINFO list = g_monitors;
    if (list == INVALID_HANDLE_VALUE)
        return false;

    DWORD total = 0;
    DWORD asleep = 0;
    SP_DEVINFO_DATA device;
    device.cbSize = sizeof(device);
    DWORD index = 0;
    for (; g_probes->enumDeviceInfo(list, index, &device); ++index) {
        char id[InstanceIdCapacity];
        if (g_probes->getDeviceInstanceId(list, &device, id, InstanceIdCapacity, NULL)) {
            if (IsIgnoredMonitor(id))
                continue;
        } else {
            TracePrint("SetupDiGetDeviceInstanceId(%d) failed, error %08xh\n",
                       static_cast<int>(index), static_cast<unsigned>(GetLastError()));
        }

        CM_POWER_DATA power;
        power.PD_Size = sizeof(power);
        if (g_probes->getDeviceRegistryProperty(list, &device, SPDRP_DEVICE_POWER_DATA, NULL,
                                                reinterpret_cast<PBYTE>(&power), sizeof(power),
                                                NULL)) {
            ++total;
            DWORD state = power.PD_MostRecentPowerState;
            if (index < TracedMonitors) {
                g_tracedError[index] = 0;
                if (g_tracedState[index] != state) {
                    g_tracedState[index] = state;
                    TracePrint("Monitor %u: State=PowerDeviceD%u\n", static_cast<unsigned>(index),
                               static_cast<unsigned>(state - 1));
                }
            }
            if (state > PowerDeviceD0)
                ++asleep;
        } else {
            DWORD error = GetLastError();
            if (index < TracedMonitors) {
                g_tracedState[index] = 0;
                if (g_tracedError[index] != error) {
                    g_tracedError[index] = error;
                    TracePrint("SetupDiGetDeviceRegistryProperty(%d) failed, error %08xh\n",
                               static_cast<int>(index), static_cast<unsigned>(error));
                }
            }
        }
    }
    DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_ITEMS)
        TracePrint("Last call to SetupDiEnumDeviceInfo(%d) failed, error %08xh\n",
                   static_cast<int>(index), static_cast<unsigned>(error));
    const LONG display = g_display;
    if (display != DisplayUnknown) {
        ++total;
        asleep += display != DisplayOn;
    }
    return total > 0 && asleep == total;
}

bool NotePowerSetting(const POWERBROADCAST_SETTING* setting)
{
    const bool console = IsEqualGUID(setting->PowerSetting, ConsoleDisplayState) != FALSE;
    if (!console && !IsEqualGUID(setting->PowerSetting, MonitorPowerOn))
        return false;
    DWORD state;
    if (setting->DataLength != sizeof(state))
        return false;
    memcpy(&state, setting->Data, sizeof(state));
    // 0 off and 1 on for both; 2 dimmed for the console display only.
    if (state > (console ? 2u : 1u))
        return false;
    InterlockedExchange(&g_display, static_cast<LONG>(state));
    return true;
}

void ForgetDisplayState()
{
    InterlockedExchange(&g_display, DisplayUnknown);
}

BOOL WINAPI SessionScreenSaverRunning(BOOL* running)
{
    *running = FALSE;
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session) || session == 0)
        session = WTSGetActiveConsoleSessionId();
    // No session is attached to the console while one is being switched.
    if (session == 0xFFFFFFFF)
        return TRUE;
    WTS_PROCESS_INFOW* processes = NULL;
    DWORD count = 0;
    if (!WTSEnumerateProcessesW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &processes, &count))
        return FALSE;
    for (DWORD i = 0; i < count && !*running; ++i)
        *running =
            processes[i].SessionId == session && IsScreenSaverProgram(processes[i].pProcessName);
    WTSFreeMemory(processes);
    return TRUE;
}

bool SetTouchClicks(bool enable)
{
    TracePrint("%s touch clicks\n", enable ? "Enable" : "Disable");
    const DWORD code = enable ? IOCTL_TQTOUCH_ENABLE_CLICKS : IOCTL_TQTOUCH_DISABLE_CLICKS;
    bool accepted = true;
    for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        HANDLE device = OpenTouchDevice(n, GENERIC_WRITE);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        if (!TouchControl(device, code, NULL, 0)) {
            LogEvent(GetLastError(), MSG_DRIVER_FAILED);
            accepted = false;
        }
        CloseHandle(device);
    }
    return accepted;
}

void RunWatcher(const ServiceParameters& params, HANDLE terminate, std::atomic<bool>& running,
                bool heal)
{
    TracePrint("Service working...\n");
    running = true;

    bool firstPass = true;
    bool pending = false;
    bool lastSaver = false;
    bool lastAsleep = false;
    // A failed wait ends the loop like the terminate event, so a bad handle cannot spin it.
    DWORD wait = WaitForSingleObject(terminate, 1);
    while (wait == WAIT_TIMEOUT) {
        bool changed = false;
        char stamp[16] = "";
        if (DebugMode())
            FormatStamp(stamp, sizeof(stamp));

        bool saver = false;
        if (params.checkScreenSaver) {
            BOOL saverRunning = FALSE;
            if (g_probes->screenSaverRunning(&saverRunning)) {
                saver = saverRunning != FALSE;
                if (firstPass || saver != lastSaver) {
                    changed = true;
                    TracePrint("%s: Screen saver is %srunning\n", stamp, saver ? "" : "not ");
                }
                lastSaver = saver;
            }
        }

        bool asleep = false;
        if (params.checkMonitorState) {
            asleep = AllMonitorsAsleep();
            if (firstPass || asleep != lastAsleep) {
                changed = true;
                TracePrint("%s: Monitor is %ssleeping\n", stamp, asleep ? "" : "not ");
            }
            lastAsleep = asleep;
        }

        const bool dark = saver || asleep;
        if (changed) {
            if (dark)
                SetTouchClicks(false);
            else if (!firstPass)
                pending = true;
        } else if (!dark && pending) {
            pending = false;
            SetTouchClicks(true);
        }
        if (heal && !dark)
            SetTouchClicks(true);
        heal = false;
        firstPass = false;

        wait = WaitForSingleObject(terminate, pending ? params.suspendTime : params.cycleTime);
    }

    if (SetTouchClicks(true))
        ClearRunning();
    running = false;
}

void SetScreenProbes(const ScreenProbes* probes)
{
    g_probes = probes ? probes : &PlatformProbes;
}
