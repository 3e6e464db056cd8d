#include "tq_calib_guard.h"

#include <sddl.h>
#include <stddef.h>

#include "calib_store.h"
#include "tq_driver.h"
#include "tq_registry.h"

namespace
{

// What a running calibration keeps: the same bytes from the x86 and the x64 programs, so that
// either package's service or program can write back what the other kept.
struct KeptSettings {
    int32_t screen;
    uint32_t RightClickEnable;
    uint32_t ClickMode;
    CalibrationRecord record;
};
static_assert(sizeof(KeptSettings) == 52, "KeptSettings size");
static_assert(offsetof(KeptSettings, ClickMode) == 8, "KeptSettings click mode");
static_assert(offsetof(KeptSettings, record) == 12, "KeptSettings record");

// LocalSystem (the service) and the Administrators (the program asks for their rights) may use
// the lock, whichever of them made it; the high label lets an elevated program release a lock
// that the service, running at system integrity, made.
const wchar_t* const LockSecurity = L"D:(A;;GA;;;SY)(A;;GA;;;BA)S:(ML;;NW;;;HI)";

bool Succeeded(LONG status)
{
    if (status == ERROR_SUCCESS)
        return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

bool FlushRegKey(const wchar_t* path)
{
    HKEY key;
    if (!OpenRegKey(path, KEY_QUERY_VALUE, &key))
        return false;
    const LONG status = RegFlushKey(key);
    RegCloseKey(key);
    return Succeeded(status);
}

// Removes a key of the options' view that holds nothing any more.
void DeleteIfEmpty(const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != 0)
        return;
    DWORD subkeys = 1;
    DWORD values = 1;
    const LONG status = RegQueryInfoKeyW(key, NULL, NULL, NULL, &subkeys, NULL, NULL, &values, NULL,
                                         NULL, NULL, NULL);
    RegCloseKey(key);
    if (status == ERROR_SUCCESS && subkeys == 0 && values == 0)
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY, 0);
}

} // namespace

HANDLE AcquireCalibrationLock(DWORD waitMs)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(LockSecurity, SDDL_REVISION_1,
                                                              &descriptor, NULL))
        return NULL;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    HANDLE lock =
        CreateMutexExW(&attributes, CalibrationLockName, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (lock == NULL) {
        SetLastError(error);
        return NULL;
    }
    const DWORD waited = WaitForSingleObject(lock, waitMs);
    // Abandoned: a calibration cut short. What it kept, if anything, says what to undo.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
        return lock;
    const DWORD waitError = waited == WAIT_TIMEOUT ? ERROR_BUSY : GetLastError();
    CloseHandle(lock);
    SetLastError(waitError);
    return NULL;
}

void ReleaseCalibrationLock(HANDLE lock)
{
    if (lock == NULL)
        return;
    ReleaseMutex(lock);
    CloseHandle(lock);
}

bool KeepSavedSettings(int n, const ScreenSettings* saved)
{
    const KeptSettings kept = {n, saved->RightClickEnable, saved->ClickMode, saved->record};
    HKEY key;
    if (!CreateRegKey(TouchOptionsKey, KEY_SET_VALUE | KEY_QUERY_VALUE, &key))
        return false;
    LONG status = RegSetValueExW(key, KeptSettingsName, 0, REG_BINARY,
                                 reinterpret_cast<const BYTE*>(&kept), sizeof(kept));
    // The switch goes to another hive, which may reach the disk first.
    if (status == ERROR_SUCCESS)
        status = RegFlushKey(key);
    RegCloseKey(key);
    return Succeeded(status);
}

bool ForgetSavedSettings()
{
    // The driver's settings that end the run reach the disk before what would undo them goes.
    if (!FlushRegKey(TouchParametersKey))
        return false;
    HKEY key;
    if (!OpenRegKey(TouchOptionsKey, KEY_SET_VALUE | KEY_QUERY_VALUE, &key))
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    LONG status = RegDeleteValueW(key, KeptSettingsName);
    const bool removed = status == ERROR_SUCCESS;
    if (status == ERROR_FILE_NOT_FOUND)
        status = ERROR_SUCCESS;
    if (status == ERROR_SUCCESS)
        status = RegFlushKey(key);
    RegCloseKey(key);
    if (!Succeeded(status))
        return false;
    // Keys made only to keep the settings go with them.
    if (removed) {
        DeleteIfEmpty(TouchOptionsKey);
        DeleteIfEmpty(L"SOFTWARE\\TQ_Automation");
    }
    return true;
}

bool WriteBackKeptSettings()
{
    HKEY key;
    if (!OpenRegKey(TouchOptionsKey, KEY_QUERY_VALUE, &key))
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    KeptSettings kept;
    DWORD type = REG_NONE;
    DWORD size = sizeof(kept);
    const LONG status =
        RegQueryValueExW(key, KeptSettingsName, NULL, &type, reinterpret_cast<BYTE*>(&kept), &size);
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    // Anything else under the name is none of ours: it cannot be written back, and the next
    // calibration replaces it.
    if (status == ERROR_MORE_DATA ||
        (status == ERROR_SUCCESS && (type != REG_BINARY || size != sizeof(kept))))
        return true;
    if (!Succeeded(status))
        return false;
    if (kept.screen < 0 || kept.screen >= TQTOUCH_MAX_DEVICES)
        return true;
    const ScreenSettings settings = {kept.RightClickEnable, kept.ClickMode, kept.record};
    if (!StoreScreenSettings(kept.screen, &settings))
        return false;
    HANDLE device = OpenTouchDevice(static_cast<unsigned>(kept.screen), GENERIC_READ);
    if (device != INVALID_HANDLE_VALUE) {
        TouchControl(device, IOCTL_TQTOUCH_RELOAD_PARAMETERS, NULL, 0);
        CloseHandle(device);
    }
    return ForgetSavedSettings();
}

bool UndoCutShortCalibration()
{
    HANDLE lock = AcquireCalibrationLock(0);
    // A calibration still running is left alone; it undoes its own changes.
    if (lock == NULL)
        return GetLastError() == ERROR_BUSY;
    const bool done = WriteBackKeptSettings();
    const DWORD error = GetLastError();
    ReleaseCalibrationLock(lock);
    SetLastError(error);
    return done;
}
