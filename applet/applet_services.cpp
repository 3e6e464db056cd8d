#include "applet_services.h"

#include <stdio.h>
#include <wctype.h>

#include "cpl_app.h"
#include "dialog.h"
#include "resource.h"
#include "tq_driver.h"
#include "tq_registry.h"

AppletSeams g_appletSeams = {ShellExecuteW, GetSystemMetrics};

static wchar_t g_errorText[1024];

bool IsAdministrator()
{
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID administrators = NULL;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(NULL, administrators, &member))
        member = FALSE;
    FreeSid(administrators);
    return member != FALSE;
}

bool IsWindows7OrLater()
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 1;
    ULONGLONG condition = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    condition = VerSetConditionMask(condition, VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

const wchar_t* ErrorCodeText(DWORD code)
{
    const DWORD capacity = sizeof(g_errorText) / sizeof(g_errorText[0]);
    int length =
        _snwprintf(g_errorText, capacity, L"(Code %lu) ", static_cast<unsigned long>(code));
    if (length < 0)
        length = 0;
    g_errorText[length] = L'\0';
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0,
                   g_errorText + length, capacity - static_cast<DWORD>(length), NULL);
    g_errorText[capacity - 1] = L'\0';
    size_t end = wcslen(g_errorText);
    while (end > 0 && iswspace(g_errorText[end - 1]))
        g_errorText[--end] = L'\0';
    return g_errorText;
}

void ShowRegistryError(UINT stringId, DWORD code)
{
    if (code == 0)
        code = GetLastError();
    wchar_t text[1024];
    LoadText(stringId, text, 1024);
    wcsncat(text, L"\n", 1024 - wcslen(text) - 1);
    wcsncat(text, ErrorCodeText(code), 1024 - wcslen(text) - 1);
    ShowMessageBox(GetActiveWindow(), text, MB_OK | MB_ICONERROR);
}

bool GetAppletFolder(wchar_t* folder, DWORD capacity)
{
    DWORD length = GetModuleFileNameW(g_app.Instance(), folder, capacity);
    // A path cut off by the buffer would name another folder.
    if (length == 0 || length >= capacity) {
        if (length >= capacity)
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    wchar_t* slash = wcsrchr(folder, L'\\');
    if (slash)
        *slash = L'\0';
    return true;
}

bool StartFromAppletFolder(HWND owner, const wchar_t* file, const wchar_t* parameters,
                           HANDLE* process)
{
    wchar_t folder[MAX_PATH], program[MAX_PATH];
    *process = NULL;
    if (!GetAppletFolder(folder, MAX_PATH))
        return false;
    int length = _snwprintf(program, MAX_PATH, L"%s\\%s", folder, file);
    if (length < 0 || length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpVerb = IsAdministrator() ? L"open" : L"runas";
    info.lpFile = program;
    info.lpParameters = parameters;
    info.lpDirectory = folder;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        return false;
    *process = info.hProcess;
    return true;
}

bool LaunchCalibration(HWND owner, int deviceIndex)
{
    wchar_t parameters[20];
    if (deviceIndex >= 0)
        _snwprintf(parameters, 20, L"%d", deviceIndex);
    HANDLE process;
    if (!StartFromAppletFolder(owner, L"TqTouchCalib.exe", deviceIndex >= 0 ? parameters : NULL,
                               &process))
        return false;
    if (process) {
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
    return true;
}

bool ReloadParameters()
{
    bool accepted = false;
    for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        HANDLE device = OpenTouchDevice(n, GENERIC_READ);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        if (TouchControl(device, IOCTL_TQTOUCH_RELOAD_PARAMETERS, NULL, 0))
            accepted = true;
        CloseHandle(device);
    }
    return accepted;
}

bool WriteSettings(const wchar_t* path, const DwordValue* values, size_t count)
{
    if (!IsAdministrator())
        return false;
    HKEY key;
    if (!CreateRegKey(path, KEY_SET_VALUE, &key)) {
        ShowRegistryError(IDS_CREATE_KEY_FAILED, GetLastError());
        return false;
    }
    bool written = true;
    for (size_t i = 0; i < count; ++i) {
        if (!WriteDword(key, values[i].name, values[i].value) && i == 0) {
            ShowRegistryError(IDS_WRITE_VALUE_FAILED, GetLastError());
            written = false;
        }
    }
    RegCloseKey(key);
    // The driver reads only its own parameters; the options are the calibration program's.
    if (wcscmp(path, TouchParametersKey) == 0)
        return ReloadParameters() && written;
    return written;
}
