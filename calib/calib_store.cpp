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

bool ReadCalibrationRecord(int n, CalibrationRecord* record)
{
    if (!IsValidRequest(n, record)) {
        if (record != NULL)
            record->Valid = 0;
        return false;
    }
    wchar_t path[MAX_PATH];
    FormatCalibrationKey(static_cast<unsigned>(n), path);
    HKEY key;
    if (!OpenRegKey(path, KEY_QUERY_VALUE, &key)) {
        record->Valid = 0;
        return false;
    }
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
            return CloseFailed(key);
        }
        *value.field = ToInt32(data);
    }
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
    // A missing or partial record comes back as zeros with what could be read, and not valid.
    const CalibrationRecord empty = {};
    settings->record = empty;
    ReadCalibrationRecord(n, &settings->record);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool ApplyScreenSettings(int n, const ScreenSettings* settings, HANDLE device)
{
    if (!IsValidRequest(n, settings))
        return false;
    HKEY key;
    if (!CreateRegKey(TouchParametersKey, KEY_WRITE, &key))
        return false;
    if (!WriteDword(key, RightClickEnableName, settings->RightClickEnable) ||
        !WriteDword(key, ClickModeName, settings->ClickMode))
        return CloseFailed(key);
    RegCloseKey(key);
    // The driver takes the click settings even when the record cannot be stored.
    WriteCalibrationRecord(n, &settings->record);
    return TouchControl(device, IOCTL_TQTOUCH_RELOAD_PARAMETERS, NULL, 0);
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
