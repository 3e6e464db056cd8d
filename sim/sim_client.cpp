#include "sim_client.h"

#include "tq_driver.h"
#include "tq_registry.h"

namespace
{

// Wine's service manager answers 1055 and the like for a while after the prefix boots, and a
// driver host can take a moment to report a state change.
const DWORD ServiceTimeoutMs = 15000;
const DWORD PollMs = 20;
const DWORD StartAttempts = 5;

bool Control(unsigned n, DWORD code, const void* input, DWORD inputSize, void* output,
             DWORD outputSize)
{
    // The private codes need no access right; a read handle is what every test may hold too.
    HANDLE device = OpenTouchDevice(n, GENERIC_READ);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(input), inputSize, output, outputSize,
                              &returned, NULL);
    DWORD error = GetLastError();
    CloseHandle(device);
    SetLastError(error);
    return ok != FALSE;
}

bool Transient(DWORD error)
{
    return error == ERROR_SERVICE_DATABASE_LOCKED || error == ERROR_SERVICE_CANNOT_ACCEPT_CTRL ||
           error == ERROR_SERVICE_REQUEST_TIMEOUT || error == RPC_S_SERVER_UNAVAILABLE;
}

SC_HANDLE OpenManager(DWORD access)
{
    DWORD waited = 0;
    for (;;) {
        SC_HANDLE manager = OpenSCManagerW(NULL, NULL, access);
        if (manager || !Transient(GetLastError()) || waited >= ServiceTimeoutMs)
            return manager;
        Sleep(PollMs * 5);
        waited += PollMs * 5;
    }
}

// Waits until the service reaches state; fails with ERROR_TIMEOUT.
bool WaitForState(SC_HANDLE service, DWORD state)
{
    for (DWORD waited = 0;; waited += PollMs) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status))
            return false;
        if (status.dwCurrentState == state)
            return true;
        if (waited >= ServiceTimeoutMs) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        Sleep(PollMs);
    }
}

bool Stop(SC_HANDLE service)
{
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status))
        return false;
    if (status.dwCurrentState == SERVICE_STOPPED)
        return true;
    if (status.dwCurrentState != SERVICE_STOP_PENDING &&
        !ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        DWORD error = GetLastError();
        if (error != ERROR_SERVICE_NOT_ACTIVE && !Transient(error))
            return false;
    }
    return WaitForState(service, SERVICE_STOPPED);
}

bool Start(SC_HANDLE service)
{
    for (DWORD waited = 0;; waited += PollMs * 5) {
        if (StartServiceW(service, 0, NULL))
            return WaitForState(service, SERVICE_RUNNING);
        DWORD error = GetLastError();
        if (!Transient(error) || waited >= ServiceTimeoutMs)
            return false;
        Sleep(PollMs * 5);
    }
}

// The links appear while the driver starts; this only guards against a host that reports
// running a little early.
bool DevicesOpen(uint32_t mask)
{
    for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        if (!(mask & (1u << n)))
            continue;
        for (DWORD waited = 0;; waited += PollMs) {
            HANDLE device = OpenTouchDevice(n, GENERIC_READ);
            if (device != INVALID_HANDLE_VALUE) {
                CloseHandle(device);
                break;
            }
            if (waited >= ServiceTimeoutMs)
                return false;
            Sleep(PollMs);
        }
    }
    return true;
}

bool WriteDeviceMask(uint32_t mask)
{
    HKEY key;
    if (!CreateRegKey(SimulationKey, KEY_SET_VALUE, &key))
        return false;
    bool ok = WriteDword(key, SimDevicesName, mask);
    DWORD error = GetLastError();
    RegCloseKey(key);
    SetLastError(error);
    return ok;
}

bool CloseAll(SC_HANDLE service, SC_HANDLE manager, bool ok)
{
    DWORD error = GetLastError();
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    SetLastError(error);
    return ok;
}

} // namespace

bool SimSetRawPoint(unsigned n, int32_t x, int32_t y)
{
    TouchRawPoint point = {x, y};
    return Control(n, IOCTL_TQSIM_SET_RAW_POINT, &point, sizeof(point), NULL, 0);
}

bool SimSetDeviceInfo(unsigned n, const TouchDeviceInfo& info)
{
    return Control(n, IOCTL_TQSIM_SET_DEVICE_INFO, &info, sizeof(info), NULL, 0);
}

bool SimFailNext(unsigned n, SimCode code, uint32_t count, uint32_t status)
{
    SimFault fault = {static_cast<uint32_t>(code), count, status};
    return Control(n, IOCTL_TQSIM_FAIL_NEXT, &fault, sizeof(fault), NULL, 0);
}

bool SimReadState(unsigned n, SimState* state)
{
    return Control(n, IOCTL_TQSIM_READ_STATE, NULL, 0, state, sizeof(*state));
}

bool SimResetCounters(unsigned n)
{
    return Control(n, IOCTL_TQSIM_RESET_COUNTERS, NULL, 0, NULL, 0);
}

bool SimRestartDriver(uint32_t deviceMask)
{
    if (!WriteDeviceMask(deviceMask))
        return false;
    SC_HANDLE manager = OpenManager(SC_MANAGER_CONNECT);
    if (!manager)
        return false;
    SC_HANDLE service =
        OpenServiceW(manager, SimServiceName, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (!service)
        return CloseAll(NULL, manager, false);
    bool ok = false;
    for (DWORD attempt = 0; attempt < StartAttempts && !ok; ++attempt) {
        // Someone may start the old driver between the stop and the start: go round again.
        ok = Stop(service) && Start(service);
        DWORD error = GetLastError();
        if (!ok && !Transient(error) && error != ERROR_SERVICE_ALREADY_RUNNING &&
            error != ERROR_TIMEOUT)
            break;
    }
    if (ok)
        ok = DevicesOpen(deviceMask);
    return CloseAll(service, manager, ok);
}

bool SimInstallDriver(const wchar_t* imagePath)
{
    SC_HANDLE manager = OpenManager(SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, SimServiceName, SERVICE_CHANGE_CONFIG);
    bool ok;
    if (service) {
        ok = ChangeServiceConfigW(service, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                  SERVICE_ERROR_NORMAL, imagePath, NULL, NULL, NULL, NULL, NULL,
                                  NULL) != FALSE;
    } else if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
        service = CreateServiceW(manager, SimServiceName, SimServiceName, SERVICE_ALL_ACCESS,
                                 SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                 imagePath, NULL, NULL, NULL, NULL, NULL);
        ok = service != NULL;
    } else {
        ok = false;
    }
    return CloseAll(service, manager, ok);
}
