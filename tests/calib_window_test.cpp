// The calibration window in this process: real window, real input, the simulated driver.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "calib_compute.h"
#include "calib_context.h"
#include "calib_dpi.h"
#include "calib_drive.h"
#include "calib_startup.h"
#include "calib_store.h"
#include "calib_window.h"
#include "reg_fixture.h"
#include "resource.h"
#include "sim_client.h"
#include "tq_registry.h"

namespace
{

const uint32_t NotReady = 0xC00000A3; // STATUS_DEVICE_NOT_READY, ERROR_NOT_READY to the caller
const CalibrationRecord SavedRecord = {11, -46, 33, 44, 55, 66, 77, 1, 640, 480};
const DWORD SavedRightClick = 1;
const DWORD SavedClickMode = 1;

int g_monitors = 1;
int WINAPI FakeMetrics(int index)
{
    return index == SM_CMONITORS ? g_monitors : GetSystemMetrics(index);
}
BOOL WINAPI FailingControls(const INITCOMMONCONTROLSEX*)
{
    SetLastError(ERROR_DLL_INIT_FAILED);
    return FALSE;
}

std::wstring RecordKey(unsigned n)
{
    wchar_t path[MAX_PATH];
    FormatCalibrationKey(n, path);
    return path;
}

void WriteRecord(unsigned n, const CalibrationRecord& record)
{
    const int32_t* values = &record.A1;
    const wchar_t* names[] = {A1Name, B1Name,    C1Name,    A2Name, B2Name,
                              C2Name, DeltaName, ValidName, CXName, CYName};
    for (int i = 0; i < 10; ++i)
        SetDword(RecordKey(n).c_str(), names[i], static_cast<DWORD>(values[i]));
}

std::wstring LoadText(UINT id)
{
    wchar_t text[1024] = L"";
    LoadStringW(GetModuleHandleW(NULL), id, text, 1024);
    return text;
}

class CalibWindow : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchOptionsKey);
        DeleteTree(TouchParametersKey);
        SetDword(TouchParametersKey, RightClickEnableName, SavedRightClick);
        SetDword(TouchParametersKey, ClickModeName, SavedClickMode);
        SetDword(TouchParametersKey, InputModeName, InputModeMouse);
        WriteRecord(0, SavedRecord);
        WriteRecord(1, SavedRecord);
        for (unsigned n = 0; n < 2; ++n) {
            SimSetRawPoint(n, 0, 0);
            SimResetCounters(n);
        }
        g_monitors = 1;
        ResetCalibContext(GetModuleHandleW(NULL));
    }
    void TearDown() override
    {
        if (IsWindow(g_calib.window))
            DestroyWindow(g_calib.window);
        Pump(50);
        EndCalibration();
        if (restartedDriver)
            SimRestartDriver(1);
    }
    void UseDevices(uint32_t mask)
    {
        ASSERT_TRUE(SimRestartDriver(mask));
        restartedDriver = true;
        for (unsigned n = 0; n < 2; ++n)
            SimSetRawPoint(n, 0, 0);
    }
    void SetOption(const wchar_t* name, DWORD value)
    {
        SetDword(TouchOptionsKey, name, value);
    }
    void Start(const wchar_t* commandLine = L"")
    {
        ASSERT_TRUE(StartCalibration(GetModuleHandleW(NULL), commandLine));
        ASSERT_TRUE(IsWindow(g_calib.window));
        Pump(100);
    }
    bool Running()
    {
        return IsWindow(g_calib.window) != FALSE;
    }
    // Screen position of mark k on the window as it is.
    POINT Mark(uint32_t k)
    {
        RECT client;
        GetClientRect(g_calib.window, &client);
        int32_t x = 0, y = 0;
        EXPECT_TRUE(
            MarkPosition(client.right, client.bottom, k, g_calib.options.CalibMargin, &x, &y));
        POINT point = {x, y};
        ClientToScreen(g_calib.window, &point);
        return point;
    }
    // What a slightly skewed touch controller reports for a screen position.
    static TouchRawPoint Raw(POINT p)
    {
        return TouchRawPoint{3 * p.x + p.y / 50 + 100, 4 * p.y + 50};
    }
    // Touches the mark now shown with the raw point the driver is to report for it.
    void Touch(POINT at, TouchRawPoint raw, unsigned device = 0)
    {
        ASSERT_TRUE(SimSetRawPoint(device, raw.x, raw.y));
        const uint32_t before = g_calib.state;
        Click(at.x, at.y);
        WaitUntil([&] { return !Running() || g_calib.state != before; }, 2000, true);
        Pump(50);
    }
    void TouchMarks(uint32_t from, uint32_t to)
    {
        for (uint32_t k = from; k <= to; ++k) {
            ASSERT_EQ(k, g_calib.state);
            Touch(Mark(k), Raw(Mark(k)));
        }
    }
    void WaitForEnd(DWORD ms)
    {
        EXPECT_TRUE(WaitUntil([&] { return !Running(); }, ms, true)) << "window still open";
    }
    HWND Control(int id)
    {
        return GetDlgItem(g_calib.window, id);
    }
    HWND Bar()
    {
        return FindWindowExW(g_calib.window, NULL, PROGRESS_CLASSW, NULL);
    }
    std::wstring Text()
    {
        wchar_t text[512];
        bool warning = false;
        return ComposeStateText(text, 512, &warning) ? text : L"";
    }
    void ExpectRegistry(const ScreenSettings& expected, unsigned n = 0)
    {
        DWORD value = 0;
        EXPECT_TRUE(GetDword(TouchParametersKey, RightClickEnableName, &value));
        EXPECT_EQ(expected.RightClickEnable, value);
        EXPECT_TRUE(GetDword(TouchParametersKey, ClickModeName, &value));
        EXPECT_EQ(expected.ClickMode, value);
        const int32_t* fields = &expected.record.A1;
        const wchar_t* names[] = {A1Name, B1Name,    C1Name,    A2Name, B2Name,
                                  C2Name, DeltaName, ValidName, CXName, CYName};
        for (int i = 0; i < 10; ++i) {
            EXPECT_TRUE(GetDword(RecordKey(n).c_str(), names[i], &value)) << names[i];
            EXPECT_EQ(static_cast<DWORD>(fields[i]), value) << names[i];
        }
        // What the driver took at its last reload.
        SimState state = {};
        ASSERT_TRUE(SimReadState(n, &state));
        EXPECT_EQ(static_cast<int32_t>(expected.ClickMode), state.params[SimClickMode]);
        EXPECT_EQ(static_cast<int32_t>(expected.RightClickEnable),
                  state.params[SimRightClickEnable]);
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(fields[i], state.record[i]) << names[i];
    }
    static ScreenSettings Saved()
    {
        return ScreenSettings{SavedRightClick, SavedClickMode, SavedRecord};
    }
    bool restartedDriver = false;
};

TEST_F(CalibWindow, FiveGoodTouchesLeadToTheCheckAndOkKeepsTheRecord)
{
    Start();
    EXPECT_EQ(1u, g_calib.state);
    EXPECT_EQ(LoadText(IDS_FIRST_MARK), Text());
    // Calibration mode is in force while the marks are shown.
    ScreenSettings mode = {0, ClickModeOnRelease, {}};
    ExpectRegistry(mode);
    TouchMarks(1, 2);
    // A new scaling on the way: the window keeps the work area, not the suggested rectangle.
    RECT suggested = {10, 10, 300, 200}, work, rect, button;
    SendMessageW(g_calib.window, WM_DPICHANGED, MAKEWPARAM(192, 192),
                 reinterpret_cast<LPARAM>(&suggested));
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(g_calib.window, &rect), GetWindowRect(Control(IDC_OK), &button);
    EXPECT_TRUE(EqualRect(&work, &rect) && button.bottom - button.top == 60);
    TouchMarks(3, 5);

    ASSERT_EQ(StateCheck, g_calib.state);
    EXPECT_EQ(LoadText(IDS_CHECK), Text());
    SendMessageW(g_calib.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(g_calib.window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(LoadCursorW(NULL, IDC_ARROW), GetCursor());
    for (int id : {IDC_OK, IDC_REDO, IDC_CLOSE})
        EXPECT_TRUE(IsWindowVisible(Control(id))) << id;
    EXPECT_EQ(CalibTimeoutAcceptDefault, SendMessageW(Bar(), PBM_GETRANGE, FALSE, 0));
    EXPECT_EQ(0, SendMessageW(Bar(), PBM_GETPOS, 0, 0));
    // The check runs on the new record, still in calibration mode.
    CalibrationRecord fitted = g_calib.working.record;
    EXPECT_EQ(1, fitted.Valid);
    RECT client;
    GetClientRect(g_calib.window, &client);
    EXPECT_EQ(client.right, fitted.CX);
    EXPECT_EQ(client.bottom, fitted.CY);
    ExpectRegistry(ScreenSettings{0, ClickModeOnRelease, fitted});
    // The fit maps each sampled raw point back onto its mark.
    for (uint32_t i = 0; i < 5; ++i) {
        int32_t qx, qy;
        TransformPoint(fitted, g_calib.rawX[i], g_calib.rawY[i], &qx, &qy);
        EXPECT_NEAR(g_calib.markX[i], qx / 4, 1);
        EXPECT_NEAR(g_calib.markY[i], qy / 4, 1);
    }

    RECT ok;
    GetWindowRect(Control(IDC_OK), &ok);
    Click((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    WaitForEnd(2000);
    ExpectRegistry(ScreenSettings{SavedRightClick, SavedClickMode, fitted});
}

TEST_F(CalibWindow, RejectionShowsTheWorstMarkInRedUntilADoubleTap)
{
    Start();
    TouchMarks(1, 2);
    POINT third = Mark(3);
    Touch(third, TouchRawPoint{Raw(third).x + 400, Raw(third).y - 300});
    TouchMarks(4, 5);

    ASSERT_EQ(1u, g_calib.state);
    EXPECT_TRUE(g_calib.rejected);
    EXPECT_GE(g_calib.worstDeviation, 30u);
    const uint32_t firstDeviation = g_calib.worstDeviation;
    wchar_t expected[512];
    _snwprintf(expected, 512, LoadText(IDS_REJECTED).c_str(), g_calib.worstDeviation,
               static_cast<uint32_t>(g_calib.worstIndex + 1));
    EXPECT_EQ(expected, Text());
    ScreenShot shot;
    ASSERT_TRUE(CaptureScreen(&shot));
    RECT below = {0, 100, shot.width, 200};
    EXPECT_GT(CountColor(shot, below, RGB(255, 0, 0)), 50) << "red text at 100 pixels";
    EXPECT_TRUE(IsMarkAt(shot, Mark(1).x, Mark(1).y));
    // Nothing was applied: calibration mode is still in force.
    ExpectRegistry(ScreenSettings{0, ClickModeOnRelease, {}});

    // Mark 2 shows no text at all.
    TouchMarks(1, 1);
    EXPECT_EQ(L"", Text());
    ASSERT_TRUE(CaptureScreen(&shot));
    EXPECT_EQ(0, CountColor(shot, below, RGB(255, 0, 0)));

    // A double-tap on mark 2: its first release is a sample, then the pass starts over and
    // the last release is swallowed.
    DoubleClick(Mark(2).x, Mark(2).y);
    WaitUntil([] { return g_calib.state == 1 && !g_calib.ignoreNextRelease; }, 2000, true);
    EXPECT_EQ(1u, g_calib.state);
    EXPECT_FALSE(g_calib.rejected);
    EXPECT_EQ(LoadText(IDS_FIRST_MARK), Text());

    // A further rejection names the new worst mark.
    TouchMarks(1, 3);
    POINT fourth = Mark(4);
    Touch(fourth, TouchRawPoint{Raw(fourth).x - 2000, Raw(fourth).y + 1500});
    TouchMarks(5, 5);
    EXPECT_TRUE(g_calib.rejected);
    EXPECT_GT(g_calib.worstDeviation, firstDeviation);
    _snwprintf(expected, 512, LoadText(IDS_REJECTED).c_str(), g_calib.worstDeviation,
               static_cast<uint32_t>(g_calib.worstIndex + 1));
    EXPECT_EQ(expected, Text());
}

TEST_F(CalibWindow, WithoutCalibTimeoutTheFirstMarkWaits)
{
    SetOption(CalibTimeoutName, 0);
    SetOption(CalibTimeoutHitName, 1);
    Start();
    Pump(3200);
    ASSERT_TRUE(Running());
    EXPECT_EQ(0u, g_calib.countdown);
    TouchMarks(1, 1);
    // From mark 2 on, each mark has its second again.
    Pump(800);
    EXPECT_TRUE(Running());
    WaitForEnd(3000);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, WithoutCalibTimeoutHitNothingExpires)
{
    SetOption(CalibTimeoutHitName, 0);
    SetOption(CalibTimeoutAcceptName, 1);
    Start();
    Pump(2500);
    EXPECT_EQ(0u, g_calib.countdown);
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    Pump(2500);
    ASSERT_TRUE(Running());
    EXPECT_EQ(0u, g_calib.countdown);
    SendMessageW(g_calib.window, WM_COMMAND, MAKEWPARAM(IDC_CLOSE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(IDC_CLOSE)));
    WaitForEnd(1000);
    ExpectRegistry(Saved());
}

// Countdown ticks taken off the queue; how long the end itself takes depends on Wine's window
// handling (about 2 s more where windows are managed), so ticks are counted rather than time.
int g_ticks = 0;
LRESULT CALLBACK CountTicks(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == WM_TIMER &&
        message->wParam == IDT_COUNTDOWN)
        ++g_ticks;
    return CallNextHookEx(NULL, code, wParam, lParam);
}

TEST_F(CalibWindow, CheckWithoutAcceptTimeEndsAtTheFirstTick)
{
    SetOption(CalibTimeoutAcceptName, 0);
    Start();
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    EXPECT_EQ(0, SendMessageW(Bar(), PBM_GETRANGE, FALSE, 0));
    g_ticks = 0;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, CountTicks, NULL, GetCurrentThreadId());
    ASSERT_NE(nullptr, hook);
    WaitForEnd(4000);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(1, g_ticks);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, CountdownExpiryOnAMarkRestores)
{
    SetOption(CalibTimeoutHitName, 2);
    Start();
    TouchMarks(1, 2);
    Pump(1200);
    ASSERT_TRUE(Running());
    EXPECT_GE(SendMessageW(Bar(), PBM_GETPOS, 0, 0), 1);
    WaitForEnd(3000);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, RedoInTheCheckStartsOverAndEscThenRestores)
{
    Start();
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    RECT redo;
    GetWindowRect(Control(IDC_REDO), &redo);
    Click((redo.left + redo.right) / 2, (redo.top + redo.bottom) / 2);
    WaitUntil([] { return g_calib.state == 1; }, 1000, true);
    EXPECT_EQ(1u, g_calib.state);
    EXPECT_FALSE(IsWindowVisible(Control(IDC_OK)));
    EXPECT_EQ(CalibTimeoutHitDefault, SendMessageW(Bar(), PBM_GETRANGE, FALSE, 0));
    // Esc reaches the window although a button had the focus.
    PressKey(VK_ESCAPE);
    WaitForEnd(1000);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, DoubleTapInTheCheckStartsOverWithTheCheckRecordInForce)
{
    Start();
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    const CalibrationRecord fitted = g_calib.working.record;
    POINT centre = Mark(5);
    DoubleClick(centre.x, centre.y - 100);
    WaitUntil([] { return g_calib.state == 1 && !g_calib.ignoreNextRelease; }, 2000, true);
    ASSERT_EQ(1u, g_calib.state);
    EXPECT_FALSE(IsWindowVisible(Control(IDC_OK)));
    SendMessageW(g_calib.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(g_calib.window),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(nullptr, GetCursor());
    ExpectRegistry(ScreenSettings{0, ClickModeOnRelease, fitted});
    PressKey(VK_ESCAPE);
    WaitForEnd(1000);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, UnreadableRawPointKeepsTheMarkAndTheCountdown)
{
    BoxWatcher boxes(L"Touch Calibration", IDOK, 2500);
    Start();
    TouchMarks(1, 1);
    ASSERT_TRUE(SimFailNext(0, SimGetRawPoint, 1, NotReady));
    Click(Mark(2).x, Mark(2).y);
    ASSERT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 2000, true));
    // The box was held open for longer than two ticks.
    WaitUntil([] { return IsWindowEnabled(g_calib.window) != FALSE; }, 4000, true);
    Pump(100);
    EXPECT_EQ(2u, g_calib.state);
    // At most the one tick that may have come before the touch.
    EXPECT_LE(g_calib.countdown, 1u);
    EXPECT_EQ(ExpectedErrorText(LoadText(IDS_READ_FAILED), L"Error", ERROR_NOT_READY),
              boxes.Texts()[0]);
    ScreenShot shot;
    ASSERT_TRUE(CaptureScreen(&shot));
    EXPECT_TRUE(IsMarkAt(shot, Mark(2).x, Mark(2).y));
    // The same mark takes the next touch.
    TouchMarks(2, 5);
    EXPECT_EQ(StateCheck, g_calib.state);
}

TEST_F(CalibWindow, EscInTheScreenChoiceWritesNothing)
{
    UseDevices(0x3);
    const std::wstring before = DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch");
    Start();
    EXPECT_EQ(StateScreenChoice, g_calib.state);
    EXPECT_EQ(1, g_calib.deviceIndex);
    EXPECT_EQ(LoadText(IDS_CHOOSE_SCREEN), Text());
    PressKey(VK_ESCAPE);
    WaitForEnd(1000);
    EXPECT_EQ(before, DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch"));
    for (unsigned n = 0; n < 2; ++n) {
        SimState state = {};
        ASSERT_TRUE(SimReadState(n, &state));
        EXPECT_EQ(0u, state.requests[SimReload]) << n;
    }
}

TEST_F(CalibWindow, ScreenChoicePicksTheFirstChangedDevice)
{
    UseDevices(0x3);
    SimSetRawPoint(0, 500, 600);
    SimSetRawPoint(1, 700, 800);
    Start();
    // Only device 1 reports a new touch.
    POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    Touch(centre, TouchRawPoint{701, 800}, 1);
    ASSERT_EQ(1u, g_calib.state);
    EXPECT_EQ(1, g_calib.deviceIndex);
    SimState state = {};
    ASSERT_TRUE(SimReadState(1, &state));
    EXPECT_EQ(ClickModeOnRelease, static_cast<DWORD>(state.params[SimClickMode]));
    EXPECT_EQ(0, state.params[SimRightClickEnable]);
    ASSERT_TRUE(SimReadState(0, &state));
    EXPECT_EQ(0u, state.requests[SimReload]);
    PressKey(VK_ESCAPE);
    WaitForEnd(1000);
    ExpectRegistry(Saved(), 1);
}

TEST_F(CalibWindow, ScreenChoiceTakesADeviceWhoseBaselineFailed)
{
    UseDevices(0x3);
    ASSERT_TRUE(SimFailNext(0, SimGetRawPoint, 1, NotReady));
    Start();
    EXPECT_EQ(-1, g_calib.baselines[0].x);
    POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    // The touch lands on device 1, but device 0 now reads and differs from its baseline.
    Touch(centre, TouchRawPoint{123, 456}, 1);
    ASSERT_EQ(1u, g_calib.state);
    EXPECT_EQ(0, g_calib.deviceIndex);
}

TEST_F(CalibWindow, ScreenChoiceEndsWhenNoDeviceChanged)
{
    UseDevices(0x3);
    BoxWatcher boxes(L"Touch Calibration");
    const std::wstring before = DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch");
    Start();
    POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    Touch(centre, TouchRawPoint{0, 0}, 1);
    WaitForEnd(2000);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(0u, boxes.Texts()[0].find(LoadText(IDS_NOT_RECOGNIZED) + L"\nError "));
    EXPECT_EQ(before, DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch"));
}

TEST_F(CalibWindow, FailedSwitchInTheScreenChoiceWritesTheSavedSettingsBack)
{
    UseDevices(0x3);
    BoxWatcher boxes(L"Touch Calibration");
    Start();
    // The first reload on device 0 is the switch into calibration mode.
    ASSERT_TRUE(SimFailNext(0, SimReload, 1, NotReady));
    POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    Touch(centre, TouchRawPoint{9, 9}, 0);
    WaitForEnd(2000);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(ExpectedErrorText(LoadText(IDS_CHANGE_FAILED), L"Error", ERROR_NOT_READY),
              boxes.Texts()[0]);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, ScreenChoiceEndsUntouchedOnExpiryOrAFailedLoad)
{
    UseDevices(0x3);
    SetOption(CalibTimeoutHitName, 1);
    std::wstring before = DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch");
    Start();
    ASSERT_EQ(StateScreenChoice, g_calib.state);
    WaitForEnd(4000);
    EXPECT_EQ(before, DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch"));

    // The parameters key goes away while the choice is shown: message 108, nothing written.
    EndCalibration();
    ResetCalibContext(GetModuleHandleW(NULL));
    SetOption(CalibTimeoutHitName, 10);
    BoxWatcher boxes(L"Touch Calibration");
    Start();
    DeleteTree(TouchParametersKey);
    before = DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch");
    POINT centre = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    Touch(centre, TouchRawPoint{31, 41}, 0);
    WaitForEnd(3000);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(0u, boxes.Texts()[0].find(LoadText(IDS_LOAD_FAILED) + L"\nError "));
    EXPECT_EQ(before, DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch"));
}

TEST_F(CalibWindow, FailedAcceptOrRestoreIsReportedAndTheRunEnds)
{
    BoxWatcher boxes(L"Touch Calibration");
    Start();
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    ASSERT_TRUE(SimFailNext(0, SimReload, 1, NotReady));
    SendMessageW(g_calib.window, WM_COMMAND, MAKEWPARAM(IDC_OK, BN_CLICKED), 0);
    WaitForEnd(3000);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(ExpectedErrorText(LoadText(IDS_RESTORE_FAILED), L"Error", ERROR_NOT_READY),
              boxes.Texts()[0]);

    EndCalibration();
    ResetCalibContext(GetModuleHandleW(NULL));
    Start();
    ASSERT_TRUE(SimFailNext(0, SimReload, 1, NotReady));
    PressKey(VK_ESCAPE);
    WaitForEnd(3000);
    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ(ExpectedErrorText(LoadText(IDS_RESTORE_FAILED), L"Error", ERROR_NOT_READY),
              boxes.Texts()[1]);
    // The values themselves were written before the reload failed.
    DWORD value = 0;
    EXPECT_TRUE(GetDword(TouchParametersKey, ClickModeName, &value));
    EXPECT_EQ(SavedClickMode, value);
}

TEST_F(CalibWindow, FailedSwitchAtStartWritesTheSavedSettingsBack)
{
    BoxWatcher boxes(L"Touch Calibration");
    ASSERT_TRUE(SimFailNext(0, SimReload, 1, NotReady));
    EXPECT_FALSE(StartCalibration(GetModuleHandleW(NULL), L""));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(ExpectedErrorText(LoadText(IDS_CHANGE_FAILED), L"Error", ERROR_NOT_READY),
              boxes.Texts()[0]);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, CancelledMonitorNoticeWritesTheSavedSettingsBack)
{
    g_monitors = 2;
    g_calib.seams.getSystemMetrics = FakeMetrics;
    const std::wstring before = DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch");
    BoxWatcher boxes(L"Touch Calibration", IDCANCEL);
    EXPECT_FALSE(StartCalibration(GetModuleHandleW(NULL), L"0"));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(LoadText(IDS_MULTIPLE_MONITORS), boxes.Texts()[0]);
    EXPECT_FALSE(IsWindow(g_calib.window));
    EXPECT_EQ(before, DumpTree(L"SYSTEM\\CurrentControlSet\\Services\\TqTouch"));
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, AcceptedMonitorNoticeGoesOn)
{
    g_monitors = 2;
    g_calib.seams.getSystemMetrics = FakeMetrics;
    BoxWatcher boxes(L"Touch Calibration", IDOK);
    Start(L"0");
    EXPECT_EQ(1u, boxes.Count());
    EXPECT_EQ(1u, g_calib.state);
}

TEST_F(CalibWindow, WithoutCommonControlsEnterAcceptsAndTheCountdownStillRuns)
{
    g_calib.seams.initCommonControls = FailingControls;
    BoxWatcher boxes(L"Touch Calibration");
    SetOption(CalibTimeoutAcceptName, 3);
    Start();
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(ExpectedErrorText(LoadText(IDS_CONTROLS_FAILED), L"Error", ERROR_DLL_INIT_FAILED),
              boxes.Texts()[0]);
    EXPECT_EQ(NULL, Control(IDC_OK));
    EXPECT_EQ(NULL, Bar());
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    CalibrationRecord fitted = g_calib.working.record;
    Pump(1200);
    EXPECT_GE(g_calib.countdown, 1u);
    SetForegroundWindow(g_calib.window);
    PressKey(VK_RETURN);
    WaitForEnd(1000);
    ExpectRegistry(ScreenSettings{SavedRightClick, SavedClickMode, fitted});
}

TEST_F(CalibWindow, WithoutCommonControlsTheCheckExpires)
{
    g_calib.seams.initCommonControls = FailingControls;
    BoxWatcher boxes(L"Touch Calibration");
    SetOption(CalibTimeoutAcceptName, 1);
    Start();
    TouchMarks(1, 5);
    ASSERT_EQ(StateCheck, g_calib.state);
    WaitForEnd(3500);
    ExpectRegistry(Saved());
}

TEST_F(CalibWindow, OkOutsideTheCheckIsIgnored)
{
    Start();
    SendMessageW(g_calib.window, WM_COMMAND, MAKEWPARAM(IDC_OK, BN_CLICKED), 0);
    Pump(100);
    EXPECT_TRUE(Running());
    PressKey(VK_ESCAPE);
    WaitForEnd(1000);
    ExpectRegistry(Saved());
}

TEST(CalibOptions, OutOfRangePointCountsFallBackToFive)
{
    DeleteTree(TouchOptionsKey);
    CalibOptions options;
    ReadCalibOptions(&options);
    EXPECT_EQ(10u, options.CalibTimeoutHit);
    EXPECT_EQ(15u, options.CalibTimeoutAccept);
    EXPECT_EQ(1u, options.CalibTimeout);
    EXPECT_EQ(5u, options.CalibPoints);
    EXPECT_EQ(10u, options.CalibMargin);
    for (DWORD points : {0u, 1u, 2u, 10u, 0xFFFFFFFFu}) {
        SetDword(TouchOptionsKey, CalibPointsName, points);
        ReadCalibOptions(&options);
        EXPECT_EQ(5u, options.CalibPoints) << points;
    }
    const DWORD nine = 9;
    SetRaw(TouchOptionsKey, CalibPointsName, REG_BINARY, &nine, 4);
    ReadCalibOptions(&options);
    EXPECT_EQ(9u, options.CalibPoints);
    DeleteTree(TouchOptionsKey);
}

TEST(CalibArgument, ReadsADecimalNumberLikeTheCRuntime)
{
    EXPECT_EQ(2, ParseDeviceArgument(L"2"));
    EXPECT_EQ(3, ParseDeviceArgument(L"  3 junk"));
    EXPECT_EQ(-1, ParseDeviceArgument(L"-1"));
    EXPECT_EQ(1, ParseDeviceArgument(L"+1"));
    EXPECT_EQ(0, ParseDeviceArgument(L"abc"));
    EXPECT_EQ(2147483647, ParseDeviceArgument(L"99999999999999999999"));
    EXPECT_EQ(-2147483647, ParseDeviceArgument(L"-99999999999999999999"));
}

} // namespace
