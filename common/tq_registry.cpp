#include "tq_registry.h"

#include <wchar.h>

static bool Succeeded(LONG status)
{
    if (status == ERROR_SUCCESS)
        return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

REGSAM RegViewOf(const wchar_t* path)
{
    const size_t length = wcslen(TouchOptionsKey);
    const bool options = _wcsnicmp(path, TouchOptionsKey, length) == 0 &&
                         (path[length] == L'\0' || path[length] == L'\\');
    return options ? KEY_WOW64_32KEY : 0;
}

bool OpenRegKey(const wchar_t* path, REGSAM access, HKEY* key)
{
    return Succeeded(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access | RegViewOf(path), key));
}

bool CreateRegKey(const wchar_t* path, REGSAM access, HKEY* key)
{
    return Succeeded(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, REG_OPTION_NON_VOLATILE,
                                     access | RegViewOf(path), NULL, key, NULL));
}

bool DeleteRegKey(const wchar_t* path)
{
    return Succeeded(RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, RegViewOf(path), 0));
}

static bool QueryDword(HKEY key, const wchar_t* name, DWORD* type, DWORD* data)
{
    DWORD size = sizeof(*data);
    if (!Succeeded(RegQueryValueExW(key, name, NULL, type, reinterpret_cast<BYTE*>(data), &size)))
        return false;
    if (size != sizeof(*data)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

bool ReadDwordStrict(HKEY key, const wchar_t* name, DWORD* value)
{
    DWORD type = REG_NONE;
    DWORD data = 0;
    if (!QueryDword(key, name, &type, &data))
        return false;
    if (type != REG_DWORD) {
        SetLastError(ERROR_DATATYPE_MISMATCH);
        return false;
    }
    *value = data;
    return true;
}

bool ReadDwordPermissive(HKEY key, const wchar_t* name, DWORD* value)
{
    DWORD type = REG_NONE;
    DWORD data = 0;
    if (!QueryDword(key, name, &type, &data))
        return false;
    *value = data;
    return true;
}

bool ReadRegString(HKEY key, const wchar_t* name, wchar_t* text, DWORD capacity, DWORD* type)
{
    if (capacity == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    // The last character is never offered to the query: it is kept for the zero.
    DWORD size = (capacity - 1) * sizeof(wchar_t);
    *type = REG_NONE;
    if (!Succeeded(RegQueryValueExW(key, name, NULL, type, reinterpret_cast<BYTE*>(text), &size))) {
        text[0] = L'\0';
        return false;
    }
    text[size / sizeof(wchar_t)] = L'\0';
    return true;
}

bool WriteDword(HKEY key, const wchar_t* name, DWORD value)
{
    return Succeeded(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                    sizeof(value)));
}
