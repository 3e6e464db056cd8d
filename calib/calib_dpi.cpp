#include "calib_dpi.h"

#include "calib_context.h"
#include "calib_draw.h"
#include "calib_window.h"

// The texts' size: about that of the old system font at 100 %, in points so that it scales.
static const int TextPoints = 12;

// A user32 function of a newer Windows, looked up rather than imported.
static void* UserFunction(const char* name)
{
    HMODULE user = GetModuleHandleW(L"user32.dll");
    return user ? reinterpret_cast<void*>(GetProcAddress(user, name)) : NULL;
}

UINT CalibWindowDpi(HWND window)
{
    // Windows 10 1607 and later; before, the process is system aware and the screen's DPI is it.
    typedef UINT(WINAPI * GetDpiForWindowProc)(HWND);
    GetDpiForWindowProc getDpi =
        reinterpret_cast<GetDpiForWindowProc>(UserFunction("GetDpiForWindow"));
    UINT dpi = getDpi ? getDpi(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(NULL);
        dpi = screen ? static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY)) : 0;
        if (screen)
            ReleaseDC(NULL, screen);
    }
    return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

// Only a per-monitor window follows a new DPI; Windows scales a system-aware one itself.
static bool IsPerMonitorAware(HWND window)
{
    typedef HANDLE(WINAPI * GetContextProc)(HWND);
    typedef int(WINAPI * GetAwarenessProc)(HANDLE);
    const int perMonitorAware = 2; // DPI_AWARENESS_PER_MONITOR_AWARE
    GetContextProc getContext =
        reinterpret_cast<GetContextProc>(UserFunction("GetWindowDpiAwarenessContext"));
    GetAwarenessProc getAwareness =
        reinterpret_cast<GetAwarenessProc>(UserFunction("GetAwarenessFromDpiAwarenessContext"));
    return getContext && getAwareness && getAwareness(getContext(window)) == perMonitorAware;
}

int ScaleForDpi(int length, UINT dpi)
{
    return MulDiv(length, dpi ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI,
                  USER_DEFAULT_SCREEN_DPI);
}

void PrimaryWorkArea(RECT* area)
{
    SetRect(area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SystemParametersInfoW(SPI_GETWORKAREA, 0, area, 0);
}

void SetCalibDpi(HWND window, UINT dpi)
{
    g_calib.dpi = dpi;
    // The message font's face, which reads well in the user's language, at the window's DPI.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW face = {};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        face = metrics.lfMessageFont;
    face.lfHeight = -MulDiv(TextPoints, static_cast<int>(dpi), 72);
    face.lfWidth = 0;
    HFONT font = CreateFontIndirectW(&face);
    // Without a new font the old one stays; the controls let go of it before it is deleted.
    HFONT old = g_calib.font;
    if (font)
        g_calib.font = font;
    LayoutCalibControls(window, g_calib.controls, dpi);
    if (font && old)
        DeleteObject(old);
}

void OnCalibDpiChanged(HWND window, UINT dpi)
{
    if (!IsPerMonitorAware(window))
        return;
    RECT before, area, after;
    GetClientRect(window, &before);
    // Not the suggested rectangle: that scales the window, which must stay on the work area.
    PrimaryWorkArea(&area);
    SetWindowPos(window, NULL, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetCalibDpi(window, dpi);
    GetClientRect(window, &after);
    // Marks touched on another work area do not fit the new one: the pass starts over.
    if ((after.right != before.right || after.bottom != before.bottom) && g_calib.state > 1 &&
        g_calib.state != StateCheck)
        RestartCalibration(false);
    else
        InvalidateRect(window, NULL, TRUE);
}
