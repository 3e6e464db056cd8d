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

SERVICE_STATUS_HANDLE g_statusHandle = NULL;
SERVICE_STATUS g_status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOPPED, 0, 0, 0, 0, 0};
DWORD g_checkPoint = 1;
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
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = state == SERVICE_START_PENDING ? 0 : SERVICE_ACCEPT_STOP;
    g_status.dwWin32ExitCode = exitCode;
    g_status.dwServiceSpecificExitCode = 0;
    g_status.dwCheckPoint =
        state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : g_checkPoint++;
    g_status.dwWaitHint = waitHint;
    const bool reported = SetServiceStatus(g_statusHandle, &g_status) != FALSE;
    *error = GetLastError();
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

void StopRoutine()
{
    AcquireSRWLockExclusive(&g_stopLock);
    if (g_terminate != NULL)
        SetEvent(g_terminate);
    while (g_workerRunning)
        Sleep(StopPollInterval);
    CloseMonitorList();
    if (g_terminate != NULL) {
        CloseHandle(g_terminate);
        g_terminate = NULL;
    }
    ReleaseSRWLockExclusive(&g_stopLock);
}

// A failed start step: logged, cleaned up and reported with its own exit code.
bool StartFailed(DWORD id, DWORD exitCode)
{
    LogEvent(GetLastError(), id);
    StopRoutine();
    ServiceStatusReport(SERVICE_STOPPED, exitCode, 0);
    return false;
}

// Returns when the service stops; false when it has already reported SERVICE_STOPPED itself.
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
    if (!ServiceStatusReport(SERVICE_RUNNING, 0, 0)) {
        g_workerRunning = false;
        StopRoutine();
        return true;
    }
    RunWatcher(g_params, terminate, g_workerRunning);
    return true;
}

void WINAPI ControlHandler(DWORD control)
{
    if (control == SERVICE_CONTROL_STOP) {
        ServiceStatusReport(SERVICE_STOP_PENDING, 0, 0);
        StopRoutine();
    } else {
        ReportCurrentState();
    }
}

void WINAPI ServiceEntry(DWORD, LPSTR*)
{
    g_statusHandle = RegisterServiceCtrlHandlerA(ServiceName, ControlHandler);
    if (g_statusHandle == NULL)
        return;
    if (ServiceStatusReport(SERVICE_START_PENDING, 0, StartWaitHint)) {
        ResetErrorThrottle();
        // After a failed start its own report, with its exit code, is the one that stands.
        if (!StartSequence())
            return;
    }
    ServiceStatusReport(SERVICE_STOPPED, 0, 0);
}

BOOL WINAPI ConsoleHandler(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    ConsolePrint("Stopping %s.\n", ServiceDisplayName);
    StopRoutine();
    return TRUE;
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
        Sleep(RemovePollInterval);
        while (QueryServiceStatus(service, &status) &&
               status.dwCurrentState == SERVICE_STOP_PENDING) {
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
    // A parent that started us in a new process group left Ctrl+C switched off.
    SetConsoleCtrlHandler(NULL, FALSE);
    SetConsoleCtrlHandler(ConsoleHandler, TRUE);
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
