#include "calib_window.h"

#include <commctrl.h>
#include <stdio.h>

#include "calib_compute.h"
#include "calib_dpi.h"
#include "calib_draw.h"
#include "calib_store.h"
#include "resource.h"
#include "tq_calib_guard.h"
#include "tq_driver.h"

static void ClientSize(HWND window, uint32_t* width, uint32_t* height)
{
    RECT client;
    GetClientRect(window, &client);
    *width = static_cast<uint32_t>(client.right - client.left);
    *height = static_cast<uint32_t>(client.bottom - client.top);
}

static void Redraw(HWND window)
{
    InvalidateRect(window, NULL, TRUE);
    UpdateWindow(window);
}

static void StartCountdown()
{
    SetTimer(g_calib.window, IDT_COUNTDOWN, CountdownPeriod, NULL);
}

static void StopCountdown()
{
    KillTimer(g_calib.window, IDT_COUNTDOWN);
}

// The bar's limits are 16-bit; the counter keeps the same limit so both agree.
static void SetCountdownLimit(uint32_t seconds)
{
    g_calib.countdownLimit = seconds % 65536;
    if (g_calib.controls[ControlProgress])
        SendMessageW(g_calib.controls[ControlProgress], PBM_SETRANGE, 0,
                     MAKELPARAM(0, g_calib.countdownLimit));
}

static void SetCountdownPosition(uint32_t position)
{
    g_calib.countdown = position;
    if (g_calib.controls[ControlProgress])
        SendMessageW(g_calib.controls[ControlProgress], PBM_SETPOS, position, 0);
}

static void ApplyCursor()
{
    SetCursor(g_calib.cursorVisible ? LoadCursorW(NULL, IDC_ARROW) : NULL);
}

// A box that does not end the run; the countdown stands still while it is open.
static void ShowPausedError(UINT textId, DWORD errorCode)
{
    StopCountdown();
    ShowError(g_calib.window, textId, errorCode);
    StartCountdown();
}

static void EndWithError(UINT textId, DWORD errorCode)
{
    StopCountdown();
    ShowError(g_calib.window, textId, errorCode);
    DestroyWindow(g_calib.window);
}

bool FindTouchedDevice(int32_t* deviceIndex)
{
    for (int32_t n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
        if (g_calib.devices[n] == INVALID_HANDLE_VALUE)
            continue;
        TouchRawPoint point;
        if (!ReadTouchPoint(g_calib.devices[n], &point))
            continue;
        if (point.x != g_calib.baselines[n].x || point.y != g_calib.baselines[n].y) {
            *deviceIndex = n;
            return true;
        }
    }
    SetLastError(ERROR_NOT_FOUND);
    return false;
}

bool ReadRawPoint(int32_t deviceIndex, TouchRawPoint* point)
{
    if (deviceIndex < 0 || deviceIndex >= TQTOUCH_MAX_DEVICES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return ReadTouchPoint(g_calib.devices[deviceIndex], point);
}

void RestartCalibration(bool withRejection)
{
    ShowControls(g_calib.controls, false);
    // A hidden button must not keep the focus, or Esc would no longer reach the window.
    SetFocus(g_calib.window);
    SetCountdownLimit(g_calib.options.CalibTimeoutHit);
    SetCountdownPosition(0);
    g_calib.state = 1;
    g_calib.rejected = withRejection;
    Redraw(g_calib.window);
}

static HANDLE CurrentDevice()
{
    const int32_t n = g_calib.deviceIndex;
    return n >= 0 && n < TQTOUCH_MAX_DEVICES ? g_calib.devices[n] : INVALID_HANDLE_VALUE;
}

static bool ApplyToDevice(const ScreenSettings* settings)
{
    return ApplyScreenSettings(g_calib.deviceIndex, settings, CurrentDevice());
}

// Applies the settings that end the run. Once they are stored nothing is left to undo, even
// when the reload fails; stored tells that apart.
static bool EndWith(const ScreenSettings* settings, bool* stored)
{
    *stored = StoreScreenSettings(g_calib.deviceIndex, settings);
    DWORD error = GetLastError();
    if (*stored) {
        g_calib.changed = false;
        ForgetSavedSettings();
    }
    const bool reloaded = TouchControl(CurrentDevice(), IOCTL_TQTOUCH_RELOAD_PARAMETERS, NULL, 0);
    if (*stored)
        error = GetLastError();
    SetLastError(error);
    return *stored && reloaded;
}

bool WriteBackSaved(HWND owner)
{
    bool stored;
    if (EndWith(&g_calib.saved, &stored))
        return true;
    ShowError(owner, IDS_RESTORE_FAILED, GetLastError());
    return false;
}

bool SwitchToCalibrationMode(HWND owner)
{
    // Kept first, so that a run cut short can be undone; without that, nothing is switched.
    if (!KeepSavedSettings(g_calib.deviceIndex, &g_calib.saved)) {
        ShowError(owner, IDS_CHANGE_FAILED, GetLastError());
        return false;
    }
    // From here on, every end writes the saved settings back: part of the writes may land.
    g_calib.changed = true;
    if (ApplyToDevice(&g_calib.working))
        return true;
    const DWORD error = GetLastError();
    bool stored;
    const bool restored = EndWith(&g_calib.saved, &stored);
    const DWORD restoreError = GetLastError();
    ShowError(owner, IDS_CHANGE_FAILED, error);
    if (!restored)
        ShowError(owner, IDS_RESTORE_FAILED, restoreError);
    return false;
}

void RestoreAndClose()
{
    if (g_calib.changed)
        WriteBackSaved(g_calib.window);
    DestroyWindow(g_calib.window);
}

void AcceptAndClose()
{
    ScreenSettings accepted = g_calib.saved;
    accepted.record = g_calib.working.record;
    bool stored;
    if (!EndWith(&accepted, &stored))
        ShowError(g_calib.window, IDS_RESTORE_FAILED, GetLastError());
    DestroyWindow(g_calib.window);
}

// The session ends (logoff, shutdown): the system ends the program once this returns, so the
// saved settings go back now, and without a box that nobody would answer. What cannot be
// stored stays kept for the next start.
static void OnEndSession(bool ending)
{
    if (!ending || !g_calib.changed)
        return;
    StopCountdown();
    bool stored;
    EndWith(&g_calib.saved, &stored);
    DestroyWindow(g_calib.window);
}

// A read that fails because the screen is gone (the driver restarted without it) ends the run;
// any other failure keeps the mark.
static bool ScreenGone(DWORD* error)
{
    HANDLE probe = OpenTouchDevice(static_cast<unsigned>(g_calib.deviceIndex), GENERIC_READ);
    if (probe == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return true;
    }
    CloseHandle(probe);
    return false;
}

// The screen takes the registry's settings when it comes back, so its reload, which cannot
// reach it now, is no second failure.
static void EndScreenGone(DWORD error)
{
    StopCountdown();
    bool stored;
    EndWith(&g_calib.saved, &stored);
    const DWORD restoreError = GetLastError();
    ShowError(g_calib.window, IDS_NO_ACCESS, error);
    if (!stored)
        ShowError(g_calib.window, IDS_RESTORE_FAILED, restoreError);
    DestroyWindow(g_calib.window);
}

bool ComposeStateText(wchar_t* text, int capacity, bool* warning)
{
    *warning = false;
    UINT id = 0;
    if (g_calib.state == StateScreenChoice)
        id = IDS_CHOOSE_SCREEN;
    else if (g_calib.state == 1)
        id = g_calib.rejected ? IDS_REJECTED : IDS_FIRST_MARK;
    else if (g_calib.state == StateCheck)
        id = IDS_CHECK;
    else
        return false;
    wchar_t loaded[512] = L"";
    LoadStringW(g_calib.instance, id, loaded, 512);
    if (id == IDS_REJECTED) {
        *warning = true;
        _snwprintf(text, capacity, loaded, g_calib.worstDeviation,
                   static_cast<uint32_t>(g_calib.worstIndex + 1));
        text[capacity - 1] = L'\0';
    } else {
        lstrcpynW(text, loaded, capacity);
    }
    return true;
}

// The screen choice: pick the touched device, save its settings, switch it to calibration.
static bool ChooseScreen()
{
    int32_t n = -1;
    if (!FindTouchedDevice(&n)) {
        EndWithError(IDS_NOT_RECOGNIZED, GetLastError());
        return false;
    }
    g_calib.deviceIndex = n;
    if (!LoadScreenSettings(n, &g_calib.saved)) {
        EndWithError(IDS_LOAD_FAILED, GetLastError());
        return false;
    }
    StopCountdown();
    if (!SwitchToCalibrationMode(g_calib.window)) {
        DestroyWindow(g_calib.window);
        return false;
    }
    StartCountdown();
    return true;
}

static void FinishPass(HWND window)
{
    uint32_t width, height;
    ClientSize(window, &width, &height);
    const uint32_t n = g_calib.options.CalibPoints;
    if (!ComputeCalibration(&g_calib.working.record, n, g_calib.markX, g_calib.markY, g_calib.rawX,
                            g_calib.rawY, ReadMaxCalError(), &g_calib.worstDeviation,
                            &g_calib.worstIndex)) {
        RestartCalibration(true);
        return;
    }
    g_calib.working.record.CX = static_cast<int32_t>(width);
    g_calib.working.record.CY = static_cast<int32_t>(height);
    // A failure here shows as a pointer that does not follow the finger in the check.
    ApplyToDevice(&g_calib.working);
    SetCountdownLimit(g_calib.options.CalibTimeoutAccept);
    g_calib.cursorVisible = true;
    ApplyCursor();
    ShowControls(g_calib.controls, true);
}

static void OnRelease(HWND window)
{
    if (g_calib.ignoreNextRelease) {
        g_calib.ignoreNextRelease = false;
        return;
    }
    if (g_calib.state == StateScreenChoice) {
        if (!ChooseScreen())
            return;
    } else if (g_calib.state != StateCheck) {
        TouchRawPoint point;
        if (!ReadRawPoint(g_calib.deviceIndex, &point)) {
            const DWORD readError = GetLastError();
            DWORD goneError = ERROR_SUCCESS;
            if (ScreenGone(&goneError)) {
                EndScreenGone(goneError);
                return;
            }
            ShowPausedError(IDS_READ_FAILED, readError);
            Redraw(window);
            return;
        }
        const uint32_t i = g_calib.state - 1;
        g_calib.rawX[i] = point.x;
        g_calib.rawY[i] = point.y;
        uint32_t width, height;
        ClientSize(window, &width, &height);
        MarkPosition(width, height, g_calib.state, g_calib.options.CalibMargin, &g_calib.markX[i],
                     &g_calib.markY[i]);
    }
    if (g_calib.state != StateCheck) {
        ++g_calib.state;
        SetCountdownPosition(0);
        if (g_calib.state > g_calib.options.CalibPoints) {
            g_calib.state = StateCheck;
            FinishPass(window);
        }
    }
    Redraw(window);
}

static void OnDoubleTap()
{
    // Nothing is chosen yet in the screen choice; the release that follows picks the screen.
    if (g_calib.state == StateScreenChoice)
        return;
    g_calib.cursorVisible = false;
    ApplyCursor();
    RestartCalibration(false);
    g_calib.ignoreNextRelease = true;
}

static void OnCountdown()
{
    const CalibOptions& options = g_calib.options;
    if (options.CalibTimeoutHit == 0)
        return;
    if (options.CalibTimeout == 0 && (g_calib.state == StateScreenChoice || g_calib.state == 1))
        return;
    if (g_calib.countdown < g_calib.countdownLimit) {
        SetCountdownPosition(g_calib.countdown + 1);
        return;
    }
    StopCountdown();
    RestoreAndClose();
}

static void Cancel()
{
    StopCountdown();
    RestoreAndClose();
}

static void Accept()
{
    // Only the check phase has a record worth keeping.
    if (g_calib.state != StateCheck)
        return;
    StopCountdown();
    AcceptAndClose();
}

static void OnPaint(HWND window)
{
    InvalidateRect(window, NULL, TRUE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    wchar_t text[512];
    bool warning = false;
    if (ComposeStateText(text, 512, &warning)) {
        if (warning)
            DrawWarning(text, window, dc);
        else
            DrawInstruction(text, window, dc);
    }
    bool markFailed = false;
    if (g_calib.state != StateScreenChoice && g_calib.state != StateCheck) {
        uint32_t width, height;
        ClientSize(window, &width, &height);
        int32_t x, y;
        if (MarkPosition(width, height, g_calib.state, g_calib.options.CalibMargin, &x, &y))
            DrawMark(dc, x, y);
        else
            markFailed = true;
    }
    EndPaint(window, &paint);
    // Outside the paint, so the box's own loop does not paint into a half-finished frame.
    if (markFailed)
        ShowPausedError(IDS_MARK_FAILED, ERROR_INVALID_PARAMETER);
}

static void OnCreate(HWND window)
{
    g_calib.window = window;
    SetCalibDpi(window, CalibWindowDpi(window));
    CreateCalibControls(g_calib.instance, window, g_calib.controls);
    SetCountdownLimit(g_calib.options.CalibTimeoutHit);
    SetCountdownPosition(0);
    StartCountdown();
    g_calib.cursorVisible = false;
}

LRESULT CALLBACK CalibWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_SETCURSOR:
        ApplyCursor();
        return TRUE;
    case WM_LBUTTONUP:
        OnRelease(window);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnDoubleTap();
        return 0;
    case WM_TIMER:
        if (wParam == IDT_COUNTDOWN)
            OnCountdown();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_OK:
            Accept();
            return 0;
        case IDC_REDO:
            g_calib.cursorVisible = false;
            ApplyCursor();
            RestartCalibration(false);
            return 0;
        case IDC_CLOSE:
            Cancel();
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            Cancel();
        // Without the buttons the check phase is kept with Enter.
        else if (wParam == VK_RETURN && !g_calib.controls[ControlOk])
            Accept();
        return 0;
    case WM_CLOSE:
        // The system's close command must not leave the driver in calibration mode.
        Cancel();
        return 0;
    case WM_DPICHANGED:
        OnCalibDpiChanged(window, HIWORD(wParam));
        return 0;
    case WM_ENDSESSION:
        OnEndSession(wParam != FALSE);
        return 0;
    case WM_CTLCOLORSTATIC:
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
