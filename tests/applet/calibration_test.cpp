// The Calibration page: its stored options, their checks, who may change them, and a calibration
// started from the page with the real TqTouchCalib.exe touched on the simulated screen.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include <string>
#include <vector>

#include "applet_drive.h"
#include "calib_drive.h"
#include "cpl_entry.h"
#include "reg_fixture.h"
#include "resource.h"
#include "sim_client.h"
#include "tq_registry.h"

namespace
{

const wchar_t* const Caption = L"Touch Screen";
const int Controls[] = {IDC_CALIBRATE, IDC_CALIB_POINTS, IDC_CALIB_MARGIN, IDC_CALIB_NO_TIMEOUT,
                        IDC_CALIB_MARGIN_SPIN};

// The Mode page first, so that the current input mode is the stored one.
HWND CalibrationPage(HWND sheet)
{
    ShowPage(sheet, 0);
    return ShowPage(sheet, 2);
}

// Where the applet looks for the program when it runs from the module.
std::wstring ProgramBeside(const std::wstring& module)
{
    return module.substr(0, module.find_last_of(L"/\\")) + L"\\TqTouchCalib.exe";
}

std::wstring InProcess()
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    return ProgramBeside(self);
}

std::vector<DWORD> StoredOptions()
{
    std::vector<DWORD> values;
    for (const wchar_t* name : {CalibPointsName, CalibMarginName, CalibTimeoutName}) {
        DWORD value = 0xDEAD;
        GetDword(TouchOptionsKey, name, &value);
        values.push_back(value);
    }
    return values;
}

void StoreOptions(const std::vector<DWORD>& values, DWORD skip = 0xFFFFFFFF)
{
    const wchar_t* names[] = {CalibPointsName, CalibMarginName, CalibTimeoutName};
    for (int i = 0; i < 3; ++i) {
        if (values[i] != skip)
            SetDword(TouchOptionsKey, names[i], values[i]);
    }
}

bool Responds(HWND sheet, UINT ms)
{
    DWORD_PTR result;
    return SendMessageTimeoutW(sheet, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

class CalibrationPageTest : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchOptionsKey);
        DeleteTree(TouchParametersKey);
        SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    }
    // Later calibrations read these options; the program is placed by the tests that need it.
    void TearDown() override
    {
        DeleteTree(TouchOptionsKey);
        DeleteFileW(InProcess().c_str());
        DeleteFileW(ProgramBeside(TQ_APPLET_CPL).c_str());
    }
};

TEST_F(CalibrationPageTest, ShowsStoredOptionsAndWritesThemOrTheCommittedCopy)
{
    const DWORD Absent = 0xFFFFFFFF, Text = 0xFFFFFFFE;
    const struct {
        std::vector<DWORD> stored;
        const wchar_t *list, *edit;
        bool ticked;
        int button;
        std::vector<DWORD> written;
    } rows[] = {
        {{7, 5, 0}, L"7", L"5", true, PSBTN_OK, {7, 5, 0}},
        {{Absent, Absent, 2}, L"5", L"10", false, PSBTN_OK, {5, 10, 1}},
        {{Text, Absent, Absent}, L"5", L"10", false, PSBTN_OK, {5, 10, 1}},
        {{6, Absent, Absent}, L"5", L"10", false, PSBTN_APPLYNOW, {5, 10, 1}},
        {{6, Absent, Absent}, L"5", L"10", false, PSBTN_CANCEL, {6, 10, 1}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "points " << row.stored[0] << ", " << row.button);
        DeleteTree(TouchOptionsKey);
        if (row.stored[0] == Text)
            SetString(TouchOptionsKey, CalibPointsName, L"7");
        StoreOptions(
            {row.stored[0] == Text ? Absent : row.stored[0], row.stored[1], row.stored[2]});
        OpenHere(L"0", [&](HWND sheet) {
            HWND page = CalibrationPage(sheet);
            EXPECT_EQ(row.list, ItemText(page, IDC_CALIB_POINTS));
            EXPECT_EQ(row.edit, ItemText(page, IDC_CALIB_MARGIN));
            EXPECT_EQ(row.ticked, IsItemChecked(page, IDC_CALIB_NO_TIMEOUT));
            EXPECT_FALSE(IsItemEnabled(sheet, 0x3021)) << "Apply, before any change";
            PressSheetButton(sheet, row.button);
        });
        EXPECT_EQ(row.written, StoredOptions());
    }
}

// A margin outside 0 to 25, or none, keeps the page on each way out until it is corrected.
TEST_F(CalibrationPageTest, InvalidMarginKeepsThePage)
{
    const std::wstring range = L"Enter an integer between 0 and 25.", none = L"Enter an integer.";
    const int PageChange = 0;
    const int actions[] = {PSBTN_OK, PSBTN_APPLYNOW, PageChange, IDC_CALIBRATE};
    ASSERT_TRUE(CopyFileW(TQ_TEST_CALIB_EXE, InProcess().c_str(), FALSE));
    for (const wchar_t* edit : {L"40", L""}) {
        for (int action : actions) {
            SCOPED_TRACE(testing::Message() << (*edit ? "margin 40, " : "no margin, ") << action);
            StoreOptions({5, 40, 1});
            BoxWatcher boxes(Caption);
            OpenHere(L"0", [&](HWND sheet) {
                HWND page = CalibrationPage(sheet);
                SetDlgItemTextW(page, IDC_CALIB_MARGIN, edit);
                if (action == IDC_CALIBRATE)
                    ClickItem(page, IDC_CALIBRATE);
                else if (action == PageChange)
                    PostMessageW(sheet, PSM_SETCURSEL, 0, 0);
                else
                    PressSheetButton(sheet, action);
                ASSERT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 10000, false));
                EXPECT_TRUE(Responds(sheet, 10000));
                EXPECT_EQ(2, CurrentPage(sheet));
                EXPECT_EQ(std::vector<DWORD>({5, 40, 1}), StoredOptions());
                EXPECT_EQ(NULL, FindWindowW(L"TQTOUCHCALIB", NULL));
                SetDlgItemTextW(page, IDC_CALIB_MARGIN, L"25");
                PressSheetButton(sheet, PSBTN_OK);
                EXPECT_TRUE(WaitGone(sheet, 10000));
            });
            EXPECT_EQ(std::vector<std::wstring>({*edit ? range : none}), boxes.Texts());
            EXPECT_EQ(std::vector<DWORD>({5, 25, 1}), StoredOptions());
        }
    }
}

// Stored options that nobody can edit here (Windows touch mode, or no mode yet when the sheet
// opens on this page), a margin out of range and a count the list lacks, hold neither the page
// nor the sheet, and stay as they were.
TEST_F(CalibrationPageTest, OptionsNobodyCanEditHoldNothing)
{
    SetDword(TouchParametersKey, InputModeName, InputModeWindowsTouch);
    StoreOptions({6, 40, 1});
    BoxWatcher boxes(Caption);
    for (bool viaModePage : {true, false}) {
        OpenHere(viaModePage ? L"0" : L"2", [&](HWND sheet) {
            HWND page = viaModePage ? CalibrationPage(sheet) : ShowPage(sheet, 2);
            EXPECT_FALSE(IsItemEnabled(page, IDC_CALIB_MARGIN));
            PostMessageW(sheet, PSM_SETCURSEL, 1, 0);
            EXPECT_TRUE(WaitUntil([&] { return CurrentPage(sheet) == 1; }, 5000, false));
            PressSheetButton(sheet, PSBTN_OK);
            EXPECT_TRUE(WaitGone(sheet, 10000)) << viaModePage;
        });
    }
    EXPECT_EQ(0, boxes.Count()) << testing::PrintToString(boxes.Texts());
    EXPECT_EQ(std::vector<DWORD>({6, 40, 1}), StoredOptions());
}

// Opened on this page, and back from the Mode page, the controls follow the stored input mode.
// The arrows follow their edit and stop at the range's ends.
TEST_F(CalibrationPageTest, ControlsFollowTheInputModeAndArrowsStopAtTheEnds)
{
    for (DWORD mode : {InputModeWindowsTouch, InputModeMouse}) {
        SetDword(TouchParametersKey, InputModeName, mode);
        OpenHere(L"2", [&](HWND sheet) {
            HWND page = ShowPage(sheet, 2);
            for (int id : Controls)
                EXPECT_EQ(mode == InputModeMouse, IsItemEnabled(page, id)) << id;
            page = CalibrationPage(sheet);
            for (int id : Controls)
                EXPECT_EQ(mode == InputModeMouse, IsItemEnabled(page, id)) << id << ", " << mode;
            RECT arrows;
            GetWindowRect(GetDlgItem(page, IDC_CALIB_MARGIN_SPIN), &arrows);
            for (bool up : {false, true}) {
                const std::wstring from = up ? L"24" : L"1", end = up ? L"25" : L"0";
                SetDlgItemTextW(page, IDC_CALIB_MARGIN, from.c_str());
                for (int i = 0; i < 3; ++i) {
                    Click((arrows.left + arrows.right) / 2,
                          up ? arrows.top + 3 : arrows.bottom - 4);
                    Sleep(100);
                }
                const std::wstring expected = mode == InputModeMouse ? end : from;
                EXPECT_TRUE(WaitUntil([&] { return ItemText(page, IDC_CALIB_MARGIN) == expected; },
                                      5000, false))
                    << testing::PrintToString(ItemText(page, IDC_CALIB_MARGIN));
            }
        });
    }
}

// Without the Administrators group (asked first on Vista) nothing is written, but the
// calibration still starts from the item's folder.
TEST_F(CalibrationPageTest, NonAdministratorOnlyCalibrates)
{
    const wchar_t* const AppDefaults = L"Software\\Wine\\AppDefaults\\rundll32.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, AppDefaults, L"Version", REG_SZ, L"vista", 12);
    ASSERT_TRUE(CopyFileW(TQ_TEST_CALIB_EXE, ProgramBeside(TQ_APPLET_CPL).c_str(), FALSE));
    BoxWatcher question(Caption, IDYES);
    HANDLE process = StartProcess(RundllCommand(TQ_APPLET_CPL, L"2"), true);
    ASSERT_TRUE(process != NULL);
    HWND sheet = WaitForSheet(GetProcessId(process), 15000);
    ASSERT_TRUE(sheet != NULL);
    HWND page = CalibrationPage(sheet);
    for (int id : Controls)
        EXPECT_EQ(id == IDC_CALIBRATE, IsItemEnabled(page, id)) << id;
    ClickItem(page, IDC_CALIBRATE);
    HWND window = WaitForWindow(L"TQTOUCHCALIB", 15000);
    EXPECT_TRUE(window != NULL);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitGone(window, 10000));
    PressSheetButton(sheet, PSBTN_OK);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 15000));
    TerminateProcess(process, 1);
    CloseHandle(process);
    EXPECT_FALSE(KeyExists(TouchOptionsKey));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, AppDefaults, L"Version");
}

// Calibrate saves the page's options and runs the program, without an argument, while the sheet
// waits; once the program is gone the page carries on silently. Cancel writes the loaded options.
TEST_F(CalibrationPageTest, CalibratesEndToEndWhileTheSheetWaits)
{
    StoreOptions({9, 5, 1});
    const std::wstring record =
        std::wstring(TouchParametersKey) + ScreenKeyPart + L"0" + CalibrationKeyPart;
    ASSERT_TRUE(CopyFileW(TQ_TEST_CALIB_EXE, InProcess().c_str(), FALSE));
    BoxWatcher applet(Caption), shell(L"Error");
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = CalibrationPage(sheet);
        SendDlgItemMessageW(page, IDC_CALIB_POINTS, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                            reinterpret_cast<LPARAM>(L"3"));
        SetDlgItemTextW(page, IDC_CALIB_MARGIN, L"12");
        CheckDlgButton(page, IDC_CALIB_NO_TIMEOUT, BST_CHECKED);
        ClickItem(page, IDC_CALIBRATE);
        HWND window = WaitForWindow(L"TQTOUCHCALIB", 15000);
        ASSERT_TRUE(window != NULL);
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE calib =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
        EXPECT_EQ(L"\"" + InProcess() + L"\"", CommandLineOf(calib));
        EXPECT_EQ(std::vector<DWORD>({3, 12, 0}), StoredOptions());
        ScreenShot shot;
        POINT mark;
        for (int k = 1; k <= 3; ++k) {
            ASSERT_TRUE(WaitUntil([&] { return CaptureScreen(&shot) && FindMark(shot, &mark); },
                                  10000, false))
                << "mark " << k;
            EXPECT_FALSE(Responds(sheet, 200)) << "sheet answered at mark " << k;
            ASSERT_TRUE(SimSetRawPoint(0, mark.x * 3 + 100, mark.y * 4 + 50));
            Click(mark.x, mark.y);
            WaitForMarkMove(mark, &mark, 3000);
        }
        HWND ok = FindWindowExW(window, NULL, L"Button", L"OK");
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(ok) != FALSE; }, 5000, false));
        RECT button;
        GetWindowRect(ok, &button);
        Click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(calib, 15000));
        CloseHandle(calib);
        EXPECT_TRUE(Responds(sheet, 10000));
        DWORD valid = 0;
        EXPECT_TRUE(GetDword(record.c_str(), ValidName, &valid) && valid == 1);

        DeleteFileW(InProcess().c_str());
        ClickItem(page, IDC_CALIBRATE);
        EXPECT_TRUE(WaitUntil([&] { return shell.Count() == 1; }, 10000, false));
        EXPECT_TRUE(Responds(sheet, 10000));
        PressSheetButton(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(std::vector<DWORD>({9, 5, 1}), StoredOptions());
    EXPECT_EQ(0u, applet.Count());
}

} // namespace
