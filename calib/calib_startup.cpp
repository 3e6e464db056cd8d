#include "calib_startup.h"

#include <limits.h>
#include <string.h>
#include <wctype.h>

#include "calib_dpi.h"
#include "calib_draw.h"
#include "calib_guard.h"
#include "calib_store.h"
#include "calib_window.h"
#include "resource.h"
#include "tq_driver.h"
#include "tq_registry.h"

CalibContext g_calib;

static const wchar_t* const CalibClassName = L"TQTOUCHCALIB";

void SetCalibrationModeSettings(ScreenSettings* settings)
{
    memset(settings, 0, sizeof(*settings));
    settings->RightClickEnable = 0;
    settings->ClickMode = ClickModeOnRelease;
}

void ResetCalibContext(HINSTANCE instance)
{
    memset(&g_calib, 0, sizeof(g_calib));
    g_calib.instance = instance;
    for (int n = 0; n < TQTOUCH_MAX_DEVICES; ++n)
        g_calib.devices[n] = INVALID_HANDLE_VALUE;
    g_calib.deviceIndex = -1;
    g_calib.state = StateScreenChoice;
    SetCalibrationModeSettings(&g_calib.working);
    g_calib.seams.getSystemMetrics = GetSystemMetrics;
    g_calib.seams.initCommonControls = InitCommonControlsEx;
}

void ReadCalibOptions(CalibOptions* options)
{
    options->CalibTimeoutHit = CalibTimeoutHitDefault;
    options->CalibTimeoutAccept = CalibTimeoutAcceptDefault;
    options->CalibTimeout = CalibTimeoutDefault;
    options->CalibPoints = CalibPointsDefault;
    options->CalibMargin = CalibMarginDefault;
    HKEY key;
    if (OpenRegKey(TouchOptionsKey, KEY_QUERY_VALUE, &key)) {
        DWORD value;
        if (ReadDwordPermissive(key, CalibTimeoutHitName, &value))
            options->CalibTimeoutHit = value;
        if (ReadDwordPermissive(key, CalibTimeoutAcceptName, &value))
            options->CalibTimeoutAccept = value;
        if (ReadDwordPermissive(key, CalibTimeoutName, &value))
            options->CalibTimeout = value;
        if (ReadDwordPermissive(key, CalibPointsName, &value))
            options->CalibPoints = value;
        if (ReadDwordPermissive(key, CalibMarginName, &value))
            options->CalibMargin = value;
        RegCloseKey(key);
    }
    // Marks have positions for 1 to 9 only, and fewer than 3 never give a fit.
    if (options->CalibPoints < 3 || options->CalibPoints > MaxCalibPoints)
        options->CalibPoints = CalibPointsDefault;
}

bool OpenTouchDevices(int32_t* deviceIndex, uint32_t* count)
{
    *count = 0;
    for (int n = 0; n < TQTOUCH_MAX_DEVICES; ++n)
        g_calib.devices[n] = INVALID_HANDLE_VALUE;
    if (*deviceIndex != -1) {
        if (*deviceIndex < 0 || *deviceIndex >= TQTOUCH_MAX_DEVICES) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        HANDLE device = OpenTouchDevice(static_cast<unsigned>(*deviceIndex), GENERIC_READ);
        if (device == INVALID_HANDLE_VALUE)
            return false;
        g_calib.devices[*deviceIndex] = device;
        *count = 1;
        return true;
    }
    for (int n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        HANDLE device = OpenTouchDevice(static_cast<unsigned>(n), GENERIC_READ);
        if (device == INVALID_HANDLE_VALUE)
            continue;
        g_calib.devices[n] = device;
        ++*count;
        *deviceIndex = n;
        TouchRawPoint& baseline = g_calib.baselines[n];
        if (!ReadTouchPoint(device, &baseline)) {
            baseline.x = -1;
            baseline.y = -1;
        }
    }
    return true;
}

bool IsWindowsTouchMode()
{
    HKEY key;
    if (!OpenRegKey(TouchParametersKey, KEY_QUERY_VALUE, &key))
        return false;
    DWORD mode = InputModeDefault;
    const bool read = ReadDwordPermissive(key, InputModeName, &mode);
    RegCloseKey(key);
    return read && mode == InputModeWindowsTouch;
}

bool RegisterCalibClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = CalibWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_CALIB));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = CalibClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CreateCalibWindow(HINSTANCE instance)
{
    g_calib.instance = instance;
    if (g_calib.seams.getSystemMetrics(SM_CMONITORS) > 1) {
        wchar_t text[1024] = L"";
        LoadStringW(instance, IDS_MULTIPLE_MONITORS, text, 1024);
        if (MessageBoxW(NULL, text, g_calib.caption, MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL)
            return false;
    }
    RECT area;
    PrimaryWorkArea(&area);
    HWND window = CreateWindowExW(0, CalibClassName, g_calib.caption, WS_POPUP | WS_VISIBLE,
                                  area.left, area.top, area.right - area.left,
                                  area.bottom - area.top, NULL, NULL, instance, NULL);
    if (!window)
        return false;
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return true;
}

int32_t ParseDeviceArgument(const wchar_t* text)
{
    while (iswspace(*text))
        ++text;
    bool negative = false;
    if (*text == L'+' || *text == L'-')
        negative = *text++ == L'-';
    int64_t value = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        if (value <= INT_MAX)
            value = value * 10 + (*text - L'0');
    }
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int32_t>(negative ? -value : value);
}

bool StartCalibration(HINSTANCE instance, const wchar_t* commandLine)
{
    g_calib.instance = instance;
    LoadStringW(instance, IDS_CAPTION, g_calib.caption, 100);
    RegisterCalibClass(instance);
    g_calib.state = StateScreenChoice;
    g_calib.rejected = false;
    if (commandLine && *commandLine) {
        g_calib.state = 1;
        const int32_t n = ParseDeviceArgument(commandLine);
        // The device table has four slots; refuse before anything is read or written.
        if (n < 0 || n >= TQTOUCH_MAX_DEVICES) {
            ShowError(NULL, IDS_NO_ACCESS, ERROR_INVALID_PARAMETER);
            return false;
        }
        g_calib.deviceIndex = n;
    }
    ReadCalibOptions(&g_calib.options);
    SetCalibrationModeSettings(&g_calib.working);
    uint32_t count = 0;
    if (!OpenTouchDevices(&g_calib.deviceIndex, &count)) {
        ShowError(NULL, IDS_NO_ACCESS, GetLastError());
        return false;
    }
    if (count == 0) {
        ShowError(NULL, IDS_NO_DEVICE, 0);
        return false;
    }
    if (IsWindowsTouchMode()) {
        ShowError(NULL, IDS_WINDOWS_TOUCH, 0);
        return false;
    }
    if (!ClaimCalibration())
        return false;
    if (count == 1) {
        if (!LoadScreenSettings(g_calib.deviceIndex, &g_calib.saved)) {
            ShowError(NULL, IDS_LOAD_FAILED, GetLastError());
            return false;
        }
        if (!SwitchToCalibrationMode(NULL))
            return false;
        g_calib.state = 1;
    }
    if (!CreateCalibWindow(instance)) {
        if (g_calib.changed)
            WriteBackSaved(NULL);
        return false;
    }
    return true;
}

void EndCalibration()
{
    for (int n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        if (g_calib.devices[n] != INVALID_HANDLE_VALUE)
            CloseHandle(g_calib.devices[n]);
        g_calib.devices[n] = INVALID_HANDLE_VALUE;
    }
    ReleaseCalibration();
}

int RunCalibProgram(HINSTANCE instance, const wchar_t* commandLine)
{
    ResetCalibContext(instance);
    if (StartCalibration(instance, commandLine)) {
        MSG message;
        while (GetMessageW(&message, NULL, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    EndCalibration();
    return 0;
}
