// Test tool standing in for TqTouchSelect.exe, which lies outside the package: waits while the
// event TqTouchSelectGo exists and is not set, then restarts the simulated driver with the
// devices that the test left in SelectStandInKey, and ends.
#include <windows.h>

#include "select_standin.h"
#include "sim_client.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, SelectStandInEvent);
    if (go) {
        WaitForSingleObject(go, 30000);
        CloseHandle(go);
    }
    HKEY key;
    DWORD mask = 0, size = sizeof(mask), type = REG_NONE;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SelectStandInKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return 0;
    LONG status = RegQueryValueExW(key, SelectStandInDevices, NULL, &type,
                                   reinterpret_cast<BYTE*>(&mask), &size);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS && type == REG_DWORD)
        return SimRestartDriver(mask) ? 0 : 1;
    return 0;
}
