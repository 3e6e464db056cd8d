#include "calib_store.h"

#include <stdio.h>

#include "tq_driver.h"
#include "tq_registry.h"

// Registry data is unsigned; the record holds the same 32 bits as signed values.
static int32_t ToInt32(DWORD value)
{
    if (value <= 0x7FFFFFFFu)
        return static_cast<int32_t>(value);
    return static_cast<int32_t>(value - 0x80000000u) - 0x7FFFFFFF - 1;
}

// Only the four screens the driver serves have a record, and there must be data to move.
static bool IsValidRequest(int n, const void* data)
{
    if (n >= 0 && n < TQTOUCH_MAX_DEVICES && data != NULL)
        return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

// Closes the key without letting the close disturb the cause of an earlier failure.
static bool CloseFailed(HKEY key)
{
    const DWORD error = GetLastError();
    RegCloseKey(key);
    SetLastError(error);
    return false;
}

void FormatCalibrationKey(unsigned n, wchar_t* path)
{
    _snwprintf(path, MAX_PATH, CalibrationKeyFormat, TouchParametersKey, ScreenKeyPart, n,
               CalibrationKeyPart);
    path[MAX_PATH - 1] = L'\0';
}

// Reads the values in the driver's order; the first that cannot be read stops the reading.
static bool ReadRecordValues(HKEY key, CalibrationRecord* record)
{
    const struct {
        const wchar_t* name;
        int32_t* field;
    } values[] = {{ValidName, &record->Valid}, {A1Name, &record->A1},       {A2Name, &record->A2},
                  {B1Name, &record->B1},       {B2Name, &record->B2},       {C1Name, &record->C1},
                  {C2Name, &record->C2},       {DeltaName, &record->Delta}, {CXName, &record->CX},
                  {CYName, &record->CY}};
    for (const auto& value : values) {
        DWORD data;
        if (!ReadDwordPermissive(key, value.name, &data)) {
            // An incomplete record is never in force, whatever its Valid said.
            record->Valid = 0;
            return false;
        }
        *value.field = ToInt32(data);
    }
    return true;
}

static bool OpenRecordKey(int n, HKEY* key)
{
    wchar_t path[MAX_PATH];
    FormatCalibrationKey(static_cast<unsigned>(n), path);
    return OpenRegKey(path, KEY_QUERY_VALUE, key);
}

bool ReadCalibrationRecord(int n, CalibrationRecord* record)
{
    if (!IsValidRequest(n, record)) {
        if (record != NULL)
            record->Valid = 0;
        return false;
    }
    HKEY key;
    if (!OpenRecordKey(n, &key)) {
        record->Valid = 0;
        return false;
    }
    if (!ReadRecordValues(key, record))
        return CloseFailed(key);
    RegCloseKey(key);
    return true;
}

bool WriteCalibrationRecord(int n, const CalibrationRecord* record)
{
    if (!IsValidRequest(n, record))
        return false;
    wchar_t path[MAX_PATH];
    FormatCalibrationKey(static_cast<unsigned>(n), path);
    HKEY key;
    if (!CreateRegKey(path, KEY_SET_VALUE, &key))
        return false;
    const struct {
        const wchar_t* name;
        int32_t value;
    } values[] = {{A1Name, record->A1},       {A2Name, record->A2},       {B1Name, record->B1},
                  {B2Name, record->B2},       {C1Name, record->C1},       {C2Name, record->C2},
                  {DeltaName, record->Delta}, {ValidName, record->Valid}, {CXName, record->CX},
                  {CYName, record->CY}};
    for (const auto& value : values) {
        if (!WriteDword(key, value.name, static_cast<DWORD>(value.value)))
            return CloseFailed(key);
    }
    RegCloseKey(key);
    return true;
}

bool LoadScreenSettings(int n, ScreenSettings* settings)
{
    if (!IsValidRequest(n, settings))
        return false;
    HKEY key;
    if (!OpenRegKey(TouchParametersKey, KEY_QUERY_VALUE, &key))
        return false;
    DWORD value;
    settings->RightClickEnable =
        ReadDwordPermissive(key, RightClickEnableName, &value) ? value : RightClickEnableDefault;
    settings->ClickMode =
        ReadDwordPermissive(key, ClickModeName, &value) ? value : ClickModeDefault;
    RegCloseKey(key);
    // A screen never calibrated has no record: zeros, not valid. A record that is there but
    // cannot be read whole is no record to save: a cancel would write it back as zeros.
    const CalibrationRecord empty = {};
    settings->record = empty;
    if (!OpenRecordKey(n, &key)) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND)
            return false;
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    if (!ReadRecordValues(key, &settings->record))
        return CloseFailed(key);
    RegCloseKey(key);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool StoreScreenSettings(int n, const ScreenSettings* settings)
{
    if (!IsValidRequest(n, settings))
        return false;
    DWORD error = ERROR_SUCCESS;
    HKEY key;
    if (CreateRegKey(TouchParametersKey, KEY_WRITE, &key)) {
        if (!WriteDword(key, RightClickEnableName, settings->RightClickEnable) ||
            !WriteDword(key, ClickModeName, settings->ClickMode))
            error = GetLastError();
        RegCloseKey(key);
    } else {
        error = GetLastError();
    }
    // The record is written also when the click settings were not: it is the calibration.
    if (!WriteCalibrationRecord(n, &settings->record) && error == ERROR_SUCCESS)
        error = GetLastError();
    SetLastError(error);
    return error == ERROR_SUCCESS;
}

bool ApplyScreenSettings(int n, const ScreenSettings* settings, HANDLE device)
{
    if (!IsValidRequest(n, settings))
        return false;
    const bool stored = StoreScreenSettings(n, settings);
    const DWORD error = GetLastError();
    // The driver takes whatever did land, also after a failed write.
    const bool reloaded = TouchControl(device, IOCTL_TQTOUCH_RELOAD_PARAMETERS, NULL, 0);
    if (stored)
        return reloaded;
    SetLastError(error);
    return false;
}

uint32_t ReadMaxCalError()
{
    DWORD value = MaxCalErrorDefault;
    HKEY key;
    if (OpenRegKey(TouchOptionsKey, KEY_QUERY_VALUE, &key)) {
        if (!ReadDwordPermissive(key, MaxCalErrorName, &value))
            value = MaxCalErrorDefault;
        RegCloseKey(key);
    }
    return value;
}
