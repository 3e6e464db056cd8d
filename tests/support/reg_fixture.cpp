#include "reg_fixture.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "tq_registry.h"

// Every helper uses the view the programs use for the path (tq_registry.h).
void DeleteTree(const wchar_t* path)
{
    HKEY key;
    LONG rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | RegViewOf(path), &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegDeleteTreeW(key, NULL);
        RegCloseKey(key);
    }
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND)
        rc = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path, RegViewOf(path), 0);
    ASSERT_TRUE(rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) << "delete failed: " << rc;
}

void SetRaw(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0,
                                             KEY_SET_VALUE | RegViewOf(path), NULL, &key, NULL));
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}

void SetDword(const wchar_t* path, const wchar_t* name, DWORD value)
{
    SetRaw(path, name, REG_DWORD, &value, sizeof(value));
}

void SetString(const wchar_t* path, const wchar_t* name, const wchar_t* text)
{
    SetRaw(path, name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

bool GetDword(const wchar_t* path, const wchar_t* name, DWORD* value)
{
    DWORD type = 0, size = sizeof(*value);
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | RegViewOf(path), &key) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegGetValueW(key, NULL, name, RRF_RT_ANY, &type, value, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(*value);
}

bool KeyExists(const wchar_t* path)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | RegViewOf(path), &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

static void DumpKey(HKEY parent, const std::wstring& path, std::wstring* out)
{
    HKEY key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | RegViewOf(path.c_str()), &key) !=
        ERROR_SUCCESS) {
        *out += L"[" + path + L"] missing\n";
        return;
    }
    *out += L"[" + path + L"]\n";
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        BYTE data[1024];
        DWORD nameLen = 256, size = sizeof(data), type = 0;
        if (RegEnumValueW(key, i, name, &nameLen, NULL, &type, data, &size) != ERROR_SUCCESS)
            break;
        wchar_t line[64];
        swprintf(line, 64, L" type=%lu size=%lu:", type, size);
        *out += name;
        *out += line;
        for (DWORD b = 0; b < size; ++b) {
            swprintf(line, 64, L" %02x", data[b]);
            *out += line;
        }
        *out += L"\n";
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256;
        if (RegEnumKeyExW(key, i, name, &nameLen, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        DumpKey(parent, path + L"\\" + name, out);
    }
    RegCloseKey(key);
}

std::wstring DumpTree(const wchar_t* path)
{
    std::wstring out;
    DumpKey(HKEY_LOCAL_MACHINE, path, &out);
    return out;
}
