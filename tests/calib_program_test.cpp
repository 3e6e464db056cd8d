// TqTouchCalib.exe itself, started as the applet starts it, touched with real mouse input.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "calib_compute.h"
#include "calib_drive.h"
#include "calib_store.h"
#include "reg_fixture.h"
#include "resource.h"
#include "sim_client.h"
#include "tq_calib_guard.h"
#include "tq_driver.h"
#include "tq_registry.h"

namespace
{

const wchar_t* const ServiceKey = L"SYSTEM\\CurrentControlSet\\Services\\TqTouch";
const CalibrationRecord SavedRecord = {5, -46, 7, 8, 9, 10, 11, 1, 800, 600};

struct StringEntry {
    UINT id;
    const wchar_t* english;
    const wchar_t* german;
};

// The texts exactly as the program must show them.
const StringEntry Strings[] = {
    {103, L"Touch Calibration", L"Touch Kalibrierung"},
    {104, L"The touch screen settings cannot be restored.",
     L"Die Einstellungen des Touchbildschirms k\u00f6nnen nicht wiederhergestellt werden."},
    {105, L"The common controls cannot be initialized.",
     L"Die Common Controls k\u00f6nnen nicht initialisiert werden."},
    {106, L"The touch screen cannot be accessed.",
     L"Es kann nicht auf den Touchbildschirm zugegriffen werden."},
    {107, L"No touch screen found.", L"Es wurde kein Touchbildschirm gefunden."},
    {108, L"The settings of the touch screen cannot be loaded.",
     L"Die Einstellungen des Touchbildschirms k\u00f6nnen nicht geladen werden."},
    {109, L"The settings of the touch screen cannot be changed.",
     L"Die Einstellungen des Touchbildschirms k\u00f6nnen nicht ge\u00e4ndert werden."},
    {110,
     L"You are using multiple monitors in extended desktop mode.\nPlease note that in this mode "
     L"touch input is supported only on the primary monitor.",
     L"Sie verwenden mehrere Monitore im erweiterten Desktop Modus.\nBitte beachten Sie, dass "
     L"Toucheingaben nur f\u00fcr den prim\u00e4ren Monitor m\u00f6glich sind."},
    {111,
     L"Multiple touch screens are connected.\nTouch the screen that shall be calibrated.\nPress "
     L"the Esc key to cancel.",
     L"Es sind mehrere Touchbildschirme angeschlossen.\nBer\u00fchren Sie den Touchbildschirm der "
     L"kalibriert werden soll.\nDr\u00fccken Sie die ESC Taste zum Abbrechen."},
    {112,
     L"Carefully touch the center of the calibration mark.\n\rRepeat this for all calibration "
     L"marks.\n\rPress the Esc key to cancel, or double-tap\r\n the screen to redo the "
     L"calibration.",
     L"Ber\u00fchren Sie sorgf\u00e4ltig das Zentrum der Kalibrierungsmarke.\n\rWiederholen Sie "
     L"das f\u00fcr jede Kalibrierungsmarke.\n\rDr\u00fccken Sie die ESC Taste zum Abbrechen oder "
     L"tippen Sie\r\n zweimal auf den Bildschirm um die Kalibrierung zu wiederholen."},
    {113,
     L"The calibration data is not valid.\n\rThe maximum deviation is %u pixel at position "
     L"%u.\n\rPlease retry the calibration.",
     L"Die Kalibrierung ist ung\u00fcltig.\n\rDie maximale Abweichung betr\u00e4gt %u Pixel bei "
     L"Position %u.\n\rBitte wiederholen Sie die Kalibrierung."},
    {114, L"Check if the cursor follows your finger.\n\rRepeat the calibration if necessary.",
     L"Pr\u00fcfen Sie, ob der Cursor ihrem Finger folgt.\n\rWiederholen Sie gegebenfalls die "
     L"Kalibrierung."},
    {115, L"A calibration mark cannot be calculated.",
     L"Die Kalibrierungsmarke kann nicht berechnet werden."},
    {116, L"The touched screen cannot be recognized.",
     L"Der ber\u00fchrte Bildschirm kann nicht ermittelt werden."},
    {117, L"The touch coordinates cannot be read.",
     L"Die Touchkoordinaten k\u00f6nnen nicht gelesen werden."},
    {118, L"Error", L"Fehler"},
    {119, L"OK", L"OK"},
    {120, L"Redo", L"Wiederh."},
    {121, L"Close", L"Beenden"},
    {122,
     L"If Windows touch mode is active you must use the Tablet PC calibration to calibrate the "
     L"touch screen.",
     L"Wenn der Windows Touchmodus aktiv ist, m\u00fcssen Sie die Tablet PC Kalibrierung "
     L"verwenden um den Touchbildschirm zu kalibrieren."},
};

std::wstring Program(const std::string& path = TQ_CALIB_EXE)
{
    return std::wstring(path.begin(), path.end());
}

// What a calibration keeps to be undone if it is cut short.
bool Kept()
{
    return DumpTree(TouchOptionsKey).find(KeptSettingsName) != std::wstring::npos;
}

// Waits for a program's end or, given until, ends it once that holds.
void Finish(HANDLE program, bool (*until)() = nullptr)
{
    ASSERT_NE(nullptr, program);
    if (until) {
        EXPECT_TRUE(WaitUntil(until, 10000, false));
        TerminateProcess(program, 0);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(program, 30000));
    CloseHandle(program);
}

// A string of the given language straight from the program's string table.
bool ReadString(HMODULE module, UINT id, LANGID language, std::wstring* text)
{
    HRSRC found = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!found)
        return false;
    const WORD* p = static_cast<const WORD*>(LockResource(LoadResource(module, found)));
    for (UINT i = 0; i < id % 16; ++i)
        p += 1 + *p;
    text->assign(reinterpret_cast<const wchar_t*>(p + 1), *p);
    return true;
}

const wchar_t* English(UINT id)
{
    for (const StringEntry& entry : Strings) {
        if (entry.id == id)
            return entry.english;
    }
    return L"";
}

const wchar_t* German(UINT id)
{
    for (const StringEntry& entry : Strings) {
        if (entry.id == id)
            return entry.german;
    }
    return L"";
}

std::wstring RecordKey(unsigned n)
{
    wchar_t path[MAX_PATH];
    FormatCalibrationKey(n, path);
    return path;
}

const wchar_t* const RecordNames[] = {A1Name, B1Name,    C1Name,    A2Name, B2Name,
                                      C2Name, DeltaName, ValidName, CXName, CYName};

CalibrationRecord ReadRecord(unsigned n)
{
    CalibrationRecord record = {};
    int32_t* fields = &record.A1;
    for (int i = 0; i < 10; ++i) {
        DWORD value = 0;
        EXPECT_TRUE(GetDword(RecordKey(n).c_str(), RecordNames[i], &value)) << RecordNames[i];
        fields[i] = static_cast<int32_t>(value);
    }
    return record;
}

class CalibProgram : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchOptionsKey);
        DeleteTree(TouchParametersKey);
        SetDword(TouchParametersKey, RightClickEnableName, 1);
        SetDword(TouchParametersKey, ClickModeName, 0);
        SetDword(TouchParametersKey, InputModeName, InputModeMouse);
        const int32_t* fields = &SavedRecord.A1;
        for (int i = 0; i < 10; ++i)
            SetDword(RecordKey(0).c_str(), RecordNames[i], static_cast<DWORD>(fields[i]));
        SimSetRawPoint(0, 0, 0);
        SimResetCounters(0);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    }
    void TearDown() override
    {
        if (process) {
            HWND window = FindWindowW(L"TQTOUCHCALIB", NULL);
            if (window)
                PostMessageW(window, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0)
                TerminateProcess(process, 1);
            CloseHandle(process);
        }
        if (restartedDriver)
            SimRestartDriver(1);
        SetLogPixels(96);
    }
    // The display's scaling for programs started from now on.
    static void SetLogPixels(DWORD dpi)
    {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                        sizeof(dpi));
    }
    static int TextHeight(const ScreenShot& shot) // first to last black row, upper half
    {
        int top = -1, bottom = -1;
        for (int i = 0; i < shot.width * (shot.height / 2); ++i)
            if (shot.pixels[i] == 0)
                bottom = i / shot.width, top = top < 0 ? bottom : top;
        return bottom - top;
    }
    void CalibrateAndAccept(DWORD dpi, int* textHeightAt96);
    // As the applet does: verb "open" from the program's folder, then wait for the end.
    void Launch(const wchar_t* parameters)
    {
        process = LaunchLikeTheApplet(Program(), parameters);
        ASSERT_NE(nullptr, process) << GetLastError();
    }
    DWORD WaitForExit(DWORD ms = 10000)
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, ms));
        DWORD code = 0xDEAD;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        process = NULL;
        return code;
    }
    HWND WaitForCalibWindow()
    {
        HWND window = WaitForWindow(L"TQTOUCHCALIB", 10000);
        EXPECT_NE(nullptr, window);
        // The first paint is done once a mark or the screen-choice text shows.
        Sleep(300);
        return window;
    }
    POINT Expected(uint32_t k)
    {
        int32_t x = 0, y = 0;
        EXPECT_TRUE(MarkPosition(work.right - work.left, work.bottom - work.top, k, 10, &x, &y));
        return POINT{work.left + x, work.top + y};
    }
    // A controller that is scaled, shifted and a little sheared against the screen.
    static TouchRawPoint Raw(POINT p)
    {
        return TouchRawPoint{(p.x * 7) / 2 + p.y / 40 + 200, (p.y * 9) / 2 - p.x / 60 + 150};
    }
    // Reads each mark off the screen, checks it is where it belongs, sets the driver's raw
    // point and touches the first count of the total marks.
    void TouchMarks(uint32_t count, uint32_t total = 5)
    {
        ScreenShot shot;
        POINT mark = {-1, -1};
        ASSERT_TRUE(CaptureScreen(&shot));
        ASSERT_TRUE(FindMark(shot, &mark)) << "no mark on the screen";
        for (uint32_t k = 1; k <= count; ++k) {
            const POINT expected = Expected(k);
            EXPECT_EQ(expected.x, mark.x) << "mark " << k;
            EXPECT_EQ(expected.y, mark.y) << "mark " << k;
            ExpectCross(shot, mark);
            ASSERT_TRUE(SimSetRawPoint(0, Raw(mark).x, Raw(mark).y));
            Click(mark.x, mark.y);
            POINT next;
            const bool more = WaitForMarkMove(mark, &next, 3000);
            if (k < total) {
                ASSERT_TRUE(more) << "no mark after mark " << k;
                ASSERT_FALSE(next.x == mark.x && next.y == mark.y) << "mark " << k << " stayed";
                ASSERT_TRUE(CaptureScreen(&shot));
            } else {
                EXPECT_FALSE(more) << "a mark is still shown after the last one";
            }
            if (k == count)
                break;
            mark = next;
        }
    }
    static void ExpectCross(const ScreenShot& shot, POINT c)
    {
        const COLORREF white = RGB(255, 255, 255);
        for (int d = -1; d <= 1; ++d) {
            for (int e = -1; e <= 1; ++e)
                EXPECT_EQ(white, shot.At(c.x + d, c.y + e)) << "centre dot";
        }
        for (int d = 2; d <= 19; ++d) {
            for (int side : {-1, 1}) {
                EXPECT_EQ(CalibMarkColor, shot.At(c.x + side * d, c.y)) << "arm " << d;
                EXPECT_EQ(CalibMarkColor, shot.At(c.x, c.y + side * d)) << "arm " << d;
                // The arms are three pixels wide.
                EXPECT_EQ(CalibMarkColor, shot.At(c.x + side * d, c.y - 1));
                EXPECT_EQ(CalibMarkColor, shot.At(c.x + 1, c.y + side * d));
            }
        }
        EXPECT_EQ(white, shot.At(c.x + 25, c.y + 25)) << "background";
    }
    void ClickControl(HWND window, int id)
    {
        RECT rect;
        ASSERT_TRUE(GetWindowRect(GetDlgItem(window, id), &rect));
        Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    std::wstring Dump()
    {
        return DumpTree(ServiceKey) + DumpTree(TouchOptionsKey);
    }
    void ExpectSettings(DWORD rightClick, DWORD clickMode, const CalibrationRecord& record)
    {
        DWORD value = 0;
        EXPECT_TRUE(GetDword(TouchParametersKey, RightClickEnableName, &value));
        EXPECT_EQ(rightClick, value);
        EXPECT_TRUE(GetDword(TouchParametersKey, ClickModeName, &value));
        EXPECT_EQ(clickMode, value);
        const CalibrationRecord stored = ReadRecord(0);
        EXPECT_EQ(0, memcmp(&record, &stored, sizeof(record))) << "record";
        SimState state = {};
        ASSERT_TRUE(SimReadState(0, &state));
        EXPECT_EQ(static_cast<int32_t>(clickMode), state.params[SimClickMode]);
        EXPECT_EQ(static_cast<int32_t>(rightClick), state.params[SimRightClickEnable]);
        EXPECT_EQ(0, memcmp(&record.A1, state.record, sizeof(state.record))) << "driver's record";
    }
    RECT work = {};
    HANDLE process = NULL;
    bool restartedDriver = false;
};

TEST_F(CalibProgram, StringTablesHoldTheTextsInBothLanguages)
{
    HMODULE module = LoadLibraryExW(Program().c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    for (const StringEntry& entry : Strings) {
        std::wstring text;
        ASSERT_TRUE(
            ReadString(module, entry.id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), &text))
            << entry.id;
        EXPECT_EQ(entry.english, text) << entry.id;
        ASSERT_TRUE(ReadString(module, entry.id, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), &text))
            << entry.id;
        EXPECT_EQ(entry.german, text) << entry.id;
    }
    EXPECT_NE(nullptr, FindResourceW(module, MAKEINTRESOURCEW(IDI_CALIB), RT_GROUP_ICON));
    HRSRC manifest = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(nullptr, manifest);
    std::string xml(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                    SizeofResource(module, manifest));
    EXPECT_NE(std::string::npos, xml.find("level=\"requireAdministrator\""));
    EXPECT_NE(std::string::npos, xml.find("Microsoft.Windows.Common-Controls"));
    EXPECT_NE(std::string::npos, xml.find("version=\"6.0.0.0\""));
    FreeLibrary(module);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(Program().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(Program().c_str(), 0, size, version.data()));
    for (const wchar_t* name : {L"FileDescription", L"OriginalFilename", L"FileVersion"}) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(
            VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            << name;
        EXPECT_GT(length, 1u) << name;
    }
    wchar_t* original = nullptr;
    UINT length = 0;
    VerQueryValueW(version.data(), L"\\StringFileInfo\\040904B0\\OriginalFilename",
                   reinterpret_cast<void**>(&original), &length);
    EXPECT_STREQ(L"TqTouchCalib.exe", original);
}

struct Refusal {
    const char* name;
    const wchar_t* argument;
    UINT text;
    DWORD error; // 0: no error line; ~0: some system error
};

TEST_F(CalibProgram, EveryRefusalLeavesTheRegistryUnchanged)
{
    const Refusal refusals[] = {
        {"index 4", L"4", 106, ERROR_INVALID_PARAMETER},
        {"index -1", L"-1", 106, ERROR_INVALID_PARAMETER},
        {"index 1000000", L"1000000", 106, ERROR_INVALID_PARAMETER},
        {"absent device 1", L"1", 106, ~0u},
        {"Windows touch mode", L"", 122, 0},
        {"Windows touch mode, index 0", L"0", 122, 0},
        {"no parameters key", L"", 108, ~0u},
        {"no device", L"", 107, 0},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        if (refusal.text == 122)
            SetDword(TouchParametersKey, InputModeName, InputModeWindowsTouch);
        if (refusal.text == 108)
            DeleteTree(TouchParametersKey);
        if (refusal.text == 107) {
            ASSERT_TRUE(SimRestartDriver(0));
            restartedDriver = true;
        }
        const std::wstring before = Dump();
        {
            BoxWatcher boxes(English(103));
            Launch(refusal.argument);
            EXPECT_EQ(0u, WaitForExit());
            ASSERT_EQ(1u, boxes.Count());
            const std::wstring text = boxes.Texts()[0];
            if (refusal.error == ~0u) {
                EXPECT_EQ(0u, text.find(std::wstring(English(refusal.text)) + L"\nError "));
            } else {
                EXPECT_EQ(ExpectedErrorText(English(refusal.text), L"Error", refusal.error), text);
            }
        }
        EXPECT_EQ(before, Dump());
        SimState state = {};
        if (SimReadState(0, &state)) {
            EXPECT_EQ(0u, state.requests[SimReload]);
        }
        SetUp();
    }
}

// At 150 % the window, the marks and the record stay in pixels; texts and buttons grow.
TEST_F(CalibProgram, CalibratesWithoutAnIndexAndOkKeepsTheRecordAtEveryScaling)
{
    int textHeightAt96 = 0;
    for (DWORD dpi : {96u, 144u}) {
        SCOPED_TRACE(dpi);
        SetLogPixels(dpi);
        CalibrateAndAccept(dpi, &textHeightAt96);
        SetUp();
    }
}

void CalibProgram::CalibrateAndAccept(DWORD dpi, int* textHeightAt96)
{
    Launch(L"");
    HWND window = WaitForCalibWindow();
    ASSERT_NE(nullptr, window);
    wchar_t title[100] = L"";
    GetWindowTextW(window, title, 100);
    EXPECT_STREQ(English(103), title);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(0, memcmp(&rect, &work, sizeof(rect))) << "the window covers the work area";
    EXPECT_NE(0, GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_OK)));
    ScreenShot shot;
    POINT first; // drawn after the text
    ASSERT_TRUE(
        WaitUntil([&] { return CaptureScreen(&shot) && FindMark(shot, &first); }, 3000, false));
    if (dpi == 96)
        *textHeightAt96 = TextHeight(shot);
    EXPECT_NEAR(dpi / 96.0, TextHeight(shot) / static_cast<double>(*textHeightAt96), 0.2);
    ASSERT_TRUE(GetWindowRect(GetDlgItem(window, IDC_OK), &rect));
    EXPECT_EQ(MulDiv(30, dpi, 96), rect.bottom - rect.top);

    TouchMarks(5);
    for (int id : {IDC_OK, IDC_REDO, IDC_CLOSE})
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, id))) << id;
    HWND bar = FindWindowExW(window, NULL, PROGRESS_CLASSW, NULL);
    EXPECT_EQ(15, SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    ClickControl(window, IDC_OK);
    EXPECT_EQ(0u, WaitForExit());

    const CalibrationRecord record = ReadRecord(0);
    EXPECT_EQ(1, record.Valid);
    EXPECT_EQ(work.right - work.left, record.CX);
    EXPECT_EQ(work.bottom - work.top, record.CY);
    // The record maps the controller's points onto the marks.
    for (uint32_t k = 1; k <= 5; ++k) {
        const POINT mark = Expected(k);
        int32_t qx, qy;
        TransformPoint(record, Raw(mark).x, Raw(mark).y, &qx, &qy);
        EXPECT_NEAR(mark.x - work.left, qx / 4, 1) << k;
        EXPECT_NEAR(mark.y - work.top, qy / 4, 1) << k;
    }
    ExpectSettings(1, 0, record);
}

enum EndAction { ByClose, ByEsc, BySystemClose, ByCountdown, ByRedoEsc, ByLogoff, ByKill, ByGone };

struct Ending {
    const char* name;
    const wchar_t* argument;
    uint32_t touches;
    EndAction action;
};

TEST_F(CalibProgram, EveryEndAfterAChangeRestoresTheSavedSettings)
{
    const Ending endings[] = {
        {"Close in the check, with index", L"0", 5, ByClose},
        {"Esc on a mark, with index", L"0", 1, ByEsc},
        {"Esc in the check", L"", 5, ByEsc},
        {"system close on a mark", L"", 2, BySystemClose},
        {"countdown on a mark", L"0", 3, ByCountdown},
        {"countdown in the check", L"", 5, ByCountdown},
        {"Redo in the check, then Esc", L"", 5, ByRedoEsc},
        {"session end on a mark", L"0", 2, ByLogoff},
        {"session end in the check", L"", 5, ByLogoff},
        {"kill on a mark, then the next start", L"0", 2, ByKill},
        {"kill in the check, then the service", L"", 5, ByKill},
        {"screen gone on a mark", L"0", 2, ByGone},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.name);
        BoxWatcher boxes(English(103));
        if (ending.action == ByCountdown) {
            SetDword(TouchOptionsKey, CalibTimeoutHitName, 1);
            SetDword(TouchOptionsKey, CalibTimeoutAcceptName, 1);
        }
        Launch(ending.argument);
        HWND window = WaitForCalibWindow();
        ASSERT_NE(nullptr, window);
        TouchMarks(ending.touches);
        switch (ending.action) {
        case ByClose:
            ClickControl(window, IDC_CLOSE);
            break;
        case ByRedoEsc:
            ClickControl(window, IDC_REDO);
            ASSERT_TRUE(WaitUntil(
                [&] {
                    ScreenShot shot;
                    return CaptureScreen(&shot) && IsMarkAt(shot, Expected(1).x, Expected(1).y);
                },
                3000, false));
            [[fallthrough]]; // Esc on mark 1
        case ByEsc:
            SetForegroundWindow(window);
            PressKey(VK_ESCAPE);
            break;
        case BySystemClose:
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        case ByCountdown:
            break;
        case ByLogoff:
            Finish(LaunchLikeTheApplet(L"C:\\windows\\system32\\wineboot.exe", L"--end-session"));
            break;
        case ByKill:
            ASSERT_TRUE(TerminateProcess(process, 0));
            break;
        case ByGone:
            ASSERT_TRUE(SimRestartDriver(0));
            restartedDriver = true;
            Click(Expected(3).x, Expected(3).y);
            break;
        }
        EXPECT_EQ(0u, WaitForExit());
        EXPECT_EQ(ending.action == ByKill, Kept());
        // Back from a kill: the next start (cancelled at once), or the service's start.
        if (ending.action == ByKill && *ending.argument) {
            Launch(L"0");
            SetForegroundWindow(WaitForCalibWindow());
            PressKey(VK_ESCAPE);
            EXPECT_EQ(0u, WaitForExit());
        } else if (ending.action == ByKill) {
            Finish(LaunchLikeTheApplet(Program(TQ_SVC_EXE), L"-debug"), [] { return !Kept(); });
        } else if (ending.action == ByGone) {
            ASSERT_EQ(1u, boxes.Count());
            EXPECT_EQ(ExpectedErrorText(English(106), L"Error", ERROR_FILE_NOT_FOUND),
                      boxes.Texts()[0]);
            // Back, the screen takes what the registry holds.
            ASSERT_TRUE(SimRestartDriver(1));
            HANDLE device = OpenTouchDevice(0, GENERIC_READ);
            EXPECT_TRUE(TouchControl(device, IOCTL_TQTOUCH_RELOAD_PARAMETERS, NULL, 0));
            CloseHandle(device);
        }
        EXPECT_EQ(ending.action == ByGone ? 1u : 0u, boxes.Count());
        ExpectSettings(1, 0, SavedRecord);
        SetUp();
    }
}

// Run on a 1280 x 1024 display.
TEST_F(CalibProgram, LayoutOn1280x1024)
{
    if (GetSystemMetrics(SM_CXSCREEN) != 1280 || GetSystemMetrics(SM_CYSCREEN) != 1024)
        GTEST_SKIP() << "needs a 1280 x 1024 display";
    ASSERT_EQ(1280, work.right - work.left);
    ASSERT_EQ(1024, work.bottom - work.top);
    Launch(L"");
    HWND window = WaitForCalibWindow();
    ASSERT_NE(nullptr, window);
    const int buttons[][2] = {{IDC_OK, 401}, {IDC_REDO, 561}, {IDC_CLOSE, 721}};
    for (const auto& button : buttons) {
        RECT rect;
        ASSERT_TRUE(GetWindowRect(GetDlgItem(window, button[0]), &rect));
        EXPECT_EQ(button[1], rect.left) << button[0];
        EXPECT_EQ(592, rect.top) << button[0];
        EXPECT_EQ(158, rect.right - rect.left) << button[0];
        EXPECT_EQ(30, rect.bottom - rect.top) << button[0];
    }
    RECT bar;
    ASSERT_TRUE(GetWindowRect(FindWindowExW(window, NULL, PROGRESS_CLASSW, NULL), &bar));
    EXPECT_EQ(401, bar.left);
    EXPECT_EQ(542, bar.top);
    EXPECT_EQ(478, bar.right - bar.left);
    EXPECT_EQ(879, bar.right);
    EXPECT_EQ(30, bar.bottom - bar.top);
    TouchMarks(5);
    ScreenShot shot;
    ASSERT_TRUE(CaptureScreen(&shot));
    // The buttons are drawn where they are placed: frame on the edge, background outside.
    for (int left : {401, 561, 721}) {
        EXPECT_NE(RGB(255, 255, 255), shot.At(left, 592 + 15)) << left;
        EXPECT_NE(RGB(255, 255, 255), shot.At(left + 157, 592 + 15)) << left;
        EXPECT_EQ(RGB(255, 255, 255), shot.At(left - 2, 592 + 15)) << left;
    }
    ClickControl(window, IDC_CLOSE);
    EXPECT_EQ(0u, WaitForExit());
    ExpectSettings(1, 0, SavedRecord);
}

// Run with LC_ALL=de_DE.UTF-8, which makes German the user and UI language.
TEST_F(CalibProgram, GermanTexts)
{
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_GERMAN)
        GTEST_SKIP() << "needs a German user interface";
    {
        SetDword(TouchParametersKey, InputModeName, InputModeWindowsTouch);
        BoxWatcher boxes(German(103));
        Launch(L"");
        EXPECT_EQ(0u, WaitForExit());
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(German(122), boxes.Texts()[0]);
        SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    }
    {
        BoxWatcher boxes(German(103));
        Launch(L"7");
        EXPECT_EQ(0u, WaitForExit());
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(ExpectedErrorText(German(106), German(118), ERROR_INVALID_PARAMETER),
                  boxes.Texts()[0]);
    }
    Launch(L"0");
    HWND window = WaitForCalibWindow();
    ASSERT_NE(nullptr, window);
    wchar_t text[100] = L"";
    GetWindowTextW(window, text, 100);
    EXPECT_STREQ(German(103), text);
    const UINT buttons[][2] = {{IDC_OK, 119}, {IDC_REDO, 120}, {IDC_CLOSE, 121}};
    for (const auto& button : buttons) {
        GetDlgItemTextW(window, button[0], text, 100);
        EXPECT_STREQ(German(button[1]), text);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, WaitForExit());
    ExpectSettings(1, 0, SavedRecord);
}

} // namespace
