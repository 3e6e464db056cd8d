// Stands in for the system's Tablet PC input service: start-pending for the milliseconds of its
// first argument, with a growing check point, then running until it is stopped (or its event set).
#include <windows.h>
#include <stdlib.h>

static SERVICE_STATUS_HANDLE g_handle;
static SERVICE_STATUS g_status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, 0, 0, 0, 0};
static HANDLE g_stop;
static DWORD g_pendingMs;

static DWORD WINAPI Control(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP)
        SetEvent(g_stop);
    return NO_ERROR;
}

static void WINAPI ServiceMain(DWORD, wchar_t**)
{
    g_handle = RegisterServiceCtrlHandlerExW(L"TabletInputService", Control, NULL);
    for (DWORD waited = 0; waited < g_pendingMs; waited += 500) {
        g_status.dwWaitHint = 2000;
        ++g_status.dwCheckPoint;
        SetServiceStatus(g_handle, &g_status);
        if (WaitForSingleObject(g_stop, 500) == WAIT_OBJECT_0)
            break;
    }
    g_status.dwCurrentState = SERVICE_RUNNING;
    g_status.dwControlsAccepted = SERVICE_ACCEPT_STOP;
    g_status.dwCheckPoint = g_status.dwWaitHint = 0;
    SetServiceStatus(g_handle, &g_status);
    WaitForSingleObject(g_stop, INFINITE);
    g_status.dwCurrentState = SERVICE_STOPPED;
    SetServiceStatus(g_handle, &g_status);
}

int wmain(int argc, wchar_t** argv)
{
    g_pendingMs = argc > 1 ? wcstoul(argv[1], NULL, 10) : 0;
    // Named: a start that never finishes takes no stop control, so the tests end it here.
    g_stop = CreateEventW(NULL, TRUE, FALSE, L"TqTabletServiceStop");
    wchar_t name[] = L"TabletInputService";
    SERVICE_TABLE_ENTRYW table[] = {{name, ServiceMain}, {NULL, NULL}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
