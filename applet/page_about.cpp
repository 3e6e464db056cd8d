#include "page_about.h"

#include <stdio.h>
#include <wchar.h>

#include <vector>

#include "cpl_app.h"
#include "tq_registry.h"

// "Description (file name)\r\nVersion x\r\n" from the file's version resource, in its first
// language; false for a file without one.
static bool ReadVersionBlock(const wchar_t* path, std::wstring* block)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size + 1);
    if (!GetFileVersionInfoW(path, 0, size, data.data()))
        return false;
    WORD* translation = NULL;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < 2 * sizeof(WORD))
        return false;
    wchar_t prefix[64];
    _snwprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    prefix[63] = L'\0';
    const wchar_t* const items[] = {L"FileDescription", L"OriginalFilename", L"FileVersion"};
    std::wstring values[3];
    for (int i = 0; i < 3; ++i) {
        const std::wstring query = std::wstring(prefix) + items[i];
        wchar_t* value = NULL;
        UINT chars = 0;
        // Only as long as the resource says: an empty value may point at whatever follows it.
        if (VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) &&
            value)
            values[i].assign(value, wcsnlen(value, chars));
        else
            values[i] = L"?";
    }
    *block = values[0] + L" (" + values[1] + L")\r\nVersion " + values[2] + L"\r\n";
    return true;
}

bool SystemModulePath(const wchar_t* systemDir, const wchar_t* windowsDir, bool wow64,
                      const wchar_t* file, wchar_t path[MAX_PATH])
{
    const bool native = wow64 && _wcsnicmp(file, L"\\Drivers\\", 9) == 0;
    if (native && !windowsDir[0])
        return false;
    const int written = native ? _snwprintf(path, MAX_PATH, L"%s\\Sysnative%s", windowsDir, file)
                               : _snwprintf(path, MAX_PATH, L"%s%s", systemDir, file);
    return written >= 0 && written < MAX_PATH;
}

void CPageAboutDlg::DoDataExchange(DataExchange& dx)
{
    dx.Text(IDC_ABOUT_VERSION, &version_);
    dx.Text(IDC_ABOUT_ARCH, &arch_);
    dx.Text(IDC_ABOUT_MODULES, &modules_);
}

BOOL CPageAboutDlg::OnSetActive()
{
    const bool first = IsFirstActivation();
    BOOL result = PropertyPage::OnSetActive();
    if (first) {
        Fill();
        UpdateData(false);
    }
    return result;
}

void CPageAboutDlg::Fill()
{
    wchar_t text[VersionBytes / sizeof(wchar_t) + 1];
    DWORD type = REG_NONE;
    HKEY key;
    bool found = false;
    if (OpenRegKey(TouchOptionsKey, KEY_QUERY_VALUE, &key)) {
        found = ReadRegString(key, VersionName, text, VersionBytes / sizeof(wchar_t) + 1, &type) &&
                type == REG_SZ;
        RegCloseKey(key);
    }
    if (!found)
        LoadText(IDS_VERSION_NONE, text, VersionBytes / sizeof(wchar_t) + 1);
    version_ = text;
#ifdef _WIN64
    LoadText(IDS_ABOUT_X64, text, VersionBytes / sizeof(wchar_t) + 1);
#else
    LoadText(IDS_ABOUT_X86, text, VersionBytes / sizeof(wchar_t) + 1);
#endif
    arch_ = text;

    wchar_t system[MAX_PATH], windows[MAX_PATH], path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const UINT windowsLength = GetWindowsDirectoryW(windows, MAX_PATH);
    if (windowsLength == 0 || windowsLength >= MAX_PATH)
        windows[0] = L'\0';
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64))
        wow64 = FALSE;
    const wchar_t* const files[] = {NULL, L"\\TqTouchCalib.exe", L"\\TqTouchSelect.exe",
                                    L"\\Drivers\\TqTouchDrv.sys", L"\\Drivers\\TqHidKmdf.sys"};
    for (const wchar_t* file : files) {
        if (file) {
            if (!SystemModulePath(system, windows, wow64 != FALSE, file, path))
                continue;
        } else {
            const DWORD written = GetModuleFileNameW(g_app.Instance(), path, MAX_PATH);
            if (written == 0 || written >= MAX_PATH)
                continue;
        }
        std::wstring block;
        if (ReadVersionBlock(path, &block))
            modules_ += block + L"\r\n";
    }
}
