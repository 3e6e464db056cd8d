#include "service_host.h"

#include <stdio.h>
#include <string.h>

#include <atomic>

#include "log_event.h"
#include "svc_names.h"
#include "tq_calib_guard.h"
#include "watcher.h"

namespace
{

const DWORD ModulePathCapacity = 512;
const DWORD StartWaitHint = 3000;
const DWORD StopPollInterval = 100;
const DWORD RemovePollInterval = 1000;
// A driver that does not answer must not hold a stop, or -remove, for good: after this long the
// service reports SERVICE_STOPPED without its final enable.
const DWORD StopBound = 20000;
// While the final enable is under way, a new check point each second with this wait hint.
const DWORD StopReportInterval = 1000;
const DWORD StopWaitHint = 3000;
// After a crash the service control manager starts the service again after RestartDelay, each
// time, and forgets the crashes after a day without one.
const DWORD RestartDelay = 5000;
const DWORD FailureResetPeriod = 24 * 60 * 60;

SERVICE_STATUS_HANDLE g_statusHandle = NULL;
SERVICE_STATUS g_status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
DWORD g_checkPoint = 1;
// After SERVICE_STOPPED the status handle must not be used again: a stop that gave up on the
// watcher has reported it while the service thread may still return later.
bool g_stopReported = false;
// The control handler and the service thread both report; a report must never overtake another.
SRWLOCK g_statusLock = SRWLOCK_INIT;

HANDLE g_terminate = NULL;
std::atomic<bool> g_workerRunning(false);
// Two stop requests (Ctrl+C and Ctrl+Break, a stop during a failing start) run one at a time.
SRWLOCK g_stopLock = SRWLOCK_INIT;
ServiceParameters g_params;

// Console form of the last error: "text (0xcode)", or empty when the system has no text.
const char* LastErrorText()
{
    static char text[256];
    const DWORD error = GetLastError();
    char message[1024];
    text[0] = '\0';
    if (SystemErrorText(error, message, sizeof(message)) && strlen(message) + 14 <= sizeof(text))
        snprintf(text, sizeof(text), "%s (0x%x)", message, static_cast<unsigned>(error));
    return text;
}

// Expects the status lock held.
bool ReportLocked(DWORD state, DWORD exitCode, DWORD waitHint, DWORD* error)
{
    if (g_stopReported) {
        *error = ERROR_SUCCESS;
        return true;
    }
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    // Power events carry the console display's state (RegisterDisplayNotification).
    g_status.dwControlsAccepted =
        state == SERVICE_START_PENDING ? 0 : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_POWEREVENT;
    g_status.dwWin32ExitCode = exitCode;
    g_status.dwServiceSpecificExitCode = 0;
    g_status.dwCheckPoint =
        state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : g_checkPoint++;
    g_status.dwWaitHint = waitHint;
    const bool reported = SetServiceStatus(g_statusHandle, &g_status) != FALSE;
    *error = GetLastError();
    g_stopReported = reported && state == SERVICE_STOPPED;
    return reported;
}

bool Reported(bool reported, DWORD error)
{
    if (!reported)
        LogEvent(error, MSG_SET_STATUS_FAILED);
    SetLastError(error);
    return reported;
}

// Reads the state and reports it again in one step, so a concurrent report cannot be undone.
bool ReportCurrentState()
{
    if (DebugMode())
        return true;
    DWORD error = ERROR_SUCCESS;
    AcquireSRWLockExclusive(&g_statusLock);
    const bool reported = ReportLocked(g_status.dwCurrentState, 0, 0, &error);
    ReleaseSRWLockExclusive(&g_statusLock);
    return Reported(reported, error);
}

// Expects the stop lock held. False when the watcher did not end within the bound: what it uses
// then stays as it is, and its failure is logged.
bool StopLocked(bool reportProgress)
{
    if (g_terminate != NULL)
        SetEvent(g_terminate);
    const DWORD start = GetTickCount();
    DWORD reported = start;
    while (g_workerRunning) {
        const DWORD now = GetTickCount();
        if (now - start >= StopBound) {
            LogEvent(ERROR_TIMEOUT, MSG_DRIVER_FAILED);
            return false;
        }
        if (reportProgress && now - reported >= StopReportInterval) {
            ServiceStatusReport(SERVICE_STOP_PENDING, 0, StopWaitHint);
            reported = now;
        }
        Sleep(StopPollInterval);
    }
    CloseMonitorList();
    if (g_terminate != NULL) {
        CloseHandle(g_terminate);
        g_terminate = NULL;
    }
    return true;
}

// A stop asked for during the start sequence waits here until the sequence ends.
bool StopRoutine(bool reportProgress)
{
    AcquireSRWLockExclusive(&g_stopLock);
    const bool stopped = StopLocked(reportProgress);
    ReleaseSRWLockExclusive(&g_stopLock);
    return stopped;
}

// A failed start step: logged, cleaned up and reported with its own exit code.
bool StartFailed(DWORD id, DWORD exitCode)
{
    LogEvent(GetLastError(), id);
    StopLocked(false);
    ReleaseSRWLockExclusive(&g_stopLock);
    ServiceStatusReport(SERVICE_STOPPED, exitCode, 0);
    return false;
}

// The console display's power state, delivered to the control handler. Windows 8 and later
// announce it as GUID_CONSOLE_DISPLAY_STATE; Windows 7 knows only GUID_MONITOR_POWER_ON.
HPOWERNOTIFY RegisterDisplayNotification()
{
    if (DebugMode())
        return NULL;
    ForgetDisplayState();
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    DWORDLONG condition = 0;
    VER_SET_CONDITION(condition, VER_MAJORVERSION, VER_GREATER_EQUAL);
    VER_SET_CONDITION(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    const bool windows8 =
        VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
    HPOWERNOTIFY notify = RegisterPowerSettingNotification(
        g_statusHandle, windows8 ? &ConsoleDisplayState : &MonitorPowerOn,
        DEVICE_NOTIFY_SERVICE_HANDLE);
    // The watcher still has the monitors' device list.
    if (notify == NULL)
        LogEvent(GetLastError(), MSG_MONITOR_INFO_FAILED);
    return notify;
}

// Expects the stop lock held, and releases it when the watcher is about to run: a stop asked for
// meanwhile (Ctrl+C in debug mode) is taken then. Returns when the service stops; false when it
// has already reported SERVICE_STOPPED itself.
bool StartSequence()
{
    if (DebugMode())
        ConsolePrint("Service started (type Ctrl+C to terminate)\n");
    // A calibration cut short (a crash, power loss) left its screen in calibration mode.
    UndoCutShortCalibration();
    HANDLE terminate = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (terminate == NULL)
        return StartFailed(MSG_CREATE_EVENT_FAILED, ERROR_INVALID_HANDLE);
    g_terminate = terminate;
    if (!ReadServiceParameters(&g_params))
        return StartFailed(MSG_READ_PARAMETERS_FAILED, ERROR_BAD_ENVIRONMENT);
    if (!OpenMonitorList())
        return StartFailed(MSG_MONITOR_INFO_FAILED, ERROR_INVALID_MONITOR_HANDLE);
    // Claimed before SERVICE_RUNNING allows a stop, so the stop routine always waits for the
    // watcher instead of releasing what it is about to use.
    g_workerRunning = true;
    // Before SERVICE_RUNNING, so that whoever waits for that state finds the mark.
    const bool heal = MarkWatcherRunning();
    if (!ServiceStatusReport(SERVICE_RUNNING, 0, 0)) {
        g_workerRunning = false;
        StopLocked(false);
        ReleaseSRWLockExclusive(&g_stopLock);
        return true;
    }
    HPOWERNOTIFY display = RegisterDisplayNotification();
    ReleaseSRWLockExclusive(&g_stopLock);
    RunWatcher(g_params, terminate, g_workerRunning, heal);
    if (display != NULL)
        UnregisterPowerSettingNotification(display);
    return true;
}

DWORD WINAPI ServiceStop(void*)
{
    if (!StopRoutine(true))
        ServiceStatusReport(SERVICE_STOPPED, ERROR_TIMEOUT, 0);
    return 0;
}

DWORD WINAPI ControlHandler(DWORD control, DWORD eventType, void* eventData, void*)
{
    switch (control) {
    case SERVICE_CONTROL_STOP: {
        ServiceStatusReport(SERVICE_STOP_PENDING, 0, StopWaitHint);
        // A handler must return at once: the service control manager gives up waiting for it
        // (Windows after 30 s, Wine sooner) and the stop may take up to StopBound.
        HANDLE stop = CreateThread(NULL, 0, ServiceStop, NULL, 0, NULL);
        if (stop != NULL)
            CloseHandle(stop);
        else
            ServiceStop(NULL);
        return NO_ERROR;
    }
    case SERVICE_CONTROL_POWEREVENT:
        if (eventType == PBT_POWERSETTINGCHANGE && eventData != NULL)
            NotePowerSetting(static_cast<const POWERBROADCAST_SETTING*>(eventData));
        return NO_ERROR;
    default:
        ReportCurrentState();
        return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceEntry(DWORD, LPSTR*)
{
    g_statusHandle = RegisterServiceCtrlHandlerExA(ServiceName, ControlHandler, NULL);
    if (g_statusHandle == NULL)
        return;
    if (ServiceStatusReport(SERVICE_START_PENDING, 0, StartWaitHint)) {
        ResetErrorThrottle();
        AcquireSRWLockExclusive(&g_stopLock);
        // After a failed start its own report, with its exit code, is the one that stands.
        if (!StartSequence())
            return;
    }
    ServiceStatusReport(SERVICE_STOPPED, 0, 0);
}

// Debug mode's every way out: Ctrl+C, Ctrl+Break, the console closed, logoff and shutdown.
void DebugStop()
{
    ConsolePrint("Stopping %s.\n", ServiceDisplayName);
    // The watcher hangs in the driver: end here, or the program would never end.
    if (!StopRoutine(false))
        ExitProcess(0);
}

BOOL WINAPI ConsoleHandler(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        DebugStop();
        return TRUE;
    default:
        return FALSE;
    }
}

// A console program that loads user32 hears of logoff and shutdown only as a window would:
// WM_QUERYENDSESSION and WM_ENDSESSION to its top-level windows.
LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERYENDSESSION)
        return TRUE;
    if (message == WM_ENDSESSION) {
        if (wParam)
            DebugStop();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI SessionWindowThread(void*)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SessionWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "TqTouchSvcSession";
    if (!RegisterClassA(&windowClass))
        return 0;
    // Top-level and never shown: a message-only window gets no session messages.
    if (!CreateWindowExA(0, windowClass.lpszClassName, ServiceDisplayName, WS_POPUP, 0, 0, 0, 0,
                         NULL, NULL, windowClass.hInstance, NULL))
        return 0;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

void InstallService()
{
    char path[ModulePathCapacity];
    const DWORD length = GetModuleFileNameA(NULL, path, ModulePathCapacity);
    // A cut path would register a program that does not exist.
    if (length == 0 || length >= ModulePathCapacity) {
        if (length != 0)
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        ConsolePrint("Unable to install %s - %s\n", ServiceDisplayName, LastErrorText());
        return;
    }
    // Quoted, so that a path with blanks cannot start a program named by its first words.
    char command[ModulePathCapacity + 2];
    snprintf(command, sizeof(command), "\"%s\"", path);

    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) {
        ConsolePrint("OpenSCManager failed - %s\n", LastErrorText());
        return;
    }
    SC_HANDLE service = CreateServiceA(manager, ServiceName, ServiceDisplayName, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                                       SERVICE_ERROR_NORMAL, command, NULL, NULL, "", NULL, NULL);
    if (service == NULL) {
        ConsolePrint("CreateService failed - %s\n", LastErrorText());
        CloseServiceHandle(manager);
        return;
    }
    SERVICE_DESCRIPTIONA description = {const_cast<char*>(ServiceDescription)};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &description);
    // A crash must not leave touch clicks suspended: restart, and the new run enables them.
    SC_ACTION restart[3] = {{SC_ACTION_RESTART, RestartDelay},
                            {SC_ACTION_RESTART, RestartDelay},
                            {SC_ACTION_RESTART, RestartDelay}};
    SERVICE_FAILURE_ACTIONSA failure = {FailureResetPeriod, NULL, NULL, 3, restart};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure);
    ConsolePrint("%s installed.\n", ServiceDisplayName);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void RemoveService()
{
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (manager == NULL) {
        ConsolePrint("OpenSCManager failed - %s\n", LastErrorText());
        return;
    }
    SC_HANDLE service = OpenServiceA(manager, ServiceName, SERVICE_ALL_ACCESS);
    if (service == NULL) {
        ConsolePrint("OpenService failed - %s\n", LastErrorText());
        CloseServiceHandle(manager);
        return;
    }
    SERVICE_STATUS status;
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        ConsolePrint("Stopping %s.", ServiceDisplayName);
        const DWORD start = GetTickCount();
        Sleep(RemovePollInterval);
        // The service's own bound, and a poll more for its last report.
        while (QueryServiceStatus(service, &status) &&
               status.dwCurrentState == SERVICE_STOP_PENDING &&
               GetTickCount() - start < StopBound + RemovePollInterval) {
            ConsolePrint(".");
            Sleep(RemovePollInterval);
        }
        if (status.dwCurrentState == SERVICE_STOPPED)
            ConsolePrint("\n%s stopped.\n", ServiceDisplayName);
        else
            ConsolePrint("\n%s failed to stop.\n", ServiceDisplayName);
    }
    if (DeleteService(service))
        ConsolePrint("%s removed.\n", ServiceDisplayName);
    else
        ConsolePrint("DeleteService failed - %s\n", LastErrorText());
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void RunDebug()
{
    SetDebugMode(true);
    ConsolePrint("Debugging %s.\n", ServiceDisplayName);
    // Held from before the first console event can come.
    AcquireSRWLockExclusive(&g_stopLock);
    // A parent that started us in a new process group left Ctrl+C switched off.
    SetConsoleCtrlHandler(NULL, FALSE);
    SetConsoleCtrlHandler(ConsoleHandler, TRUE);
    HANDLE sessionWindow = CreateThread(NULL, 0, SessionWindowThread, NULL, 0, NULL);
    if (sessionWindow != NULL)
        CloseHandle(sessionWindow);
    StartSequence();
}

void RunDispatcher()
{
    ConsolePrint("%s -install          to install the service\n", ServiceName);
    ConsolePrint("%s -remove           to remove the service\n", ServiceName);
    ConsolePrint("%s -debug <params>   to run as a console app for debugging\n", ServiceName);
    ConsolePrint("\nStartServiceCtrlDispatcher being called.\n");
    ConsolePrint("This may take several seconds.  Please wait.\n");
    SERVICE_TABLE_ENTRYA table[] = {{const_cast<char*>(ServiceName), ServiceEntry}, {NULL, NULL}};
    if (!StartServiceCtrlDispatcherA(table))
        LogEvent(GetLastError(), MSG_START_FAILED);
}

} // namespace

SvcCommand ParseCommandLine(int argc, char** argv)
{
    if (argc < 2 || (argv[1][0] != '-' && argv[1][0] != '/'))
        return SvcRunService;
    const char* option = argv[1] + 1;
    if (_stricmp(option, "install") == 0)
        return SvcInstall;
    if (_stricmp(option, "remove") == 0)
        return SvcRemove;
    if (_stricmp(option, "debug") == 0)
        return SvcDebug;
    return SvcRunService;
}

bool ServiceStatusReport(DWORD state, DWORD exitCode, DWORD waitHint)
{
    if (DebugMode())
        return true;
    DWORD error = ERROR_SUCCESS;
    AcquireSRWLockExclusive(&g_statusLock);
    const bool reported = ReportLocked(state, exitCode, waitHint, &error);
    ReleaseSRWLockExclusive(&g_statusLock);
    return Reported(reported, error);
}

int TqTouchSvcMain(int argc, char** argv)
{
    switch (ParseCommandLine(argc, argv)) {
    case SvcInstall:
        InstallService();
        break;
    case SvcRemove:
        RemoveService();
        break;
    case SvcDebug:
        RunDebug();
        break;
    case SvcRunService:
        RunDispatcher();
        break;
    }
    return 0;
}
