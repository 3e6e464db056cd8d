// The Control Panel item: its protocol, its sheet, rights and versions, help, and the Mode page,
// loaded as the Control Panel loads it, through rundll32, and linked in for the seams.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "applet_drive.h"
#include "applet_services.h"
#include "calib_drive.h"
#include "cpl_entry.h"
#include "dialog_template.h"
#include "input_mode.h"
#include "property_page.h"
#include "reg_fixture.h"
#include "resource.h"
#include "sim_client.h"
#include "tq_registry.h"

namespace
{

const wchar_t* const Cpl = TQ_APPLET_CPL;
const wchar_t* const Caption = L"Touch Screen";
const wchar_t* const AppDefaults = L"Software\\Wine\\AppDefaults\\rundll32.exe";

std::wstring English(UINT id)
{
    wchar_t text[1024] = L"";
    LoadStringW(GetModuleHandleW(NULL), id, text, 1024);
    return text;
}

APPLET_PROC LoadCpl()
{
    HMODULE cpl = LoadLibraryW(Cpl);
    return cpl ? reinterpret_cast<APPLET_PROC>(
                     reinterpret_cast<void*>(GetProcAddress(cpl, "CPlApplet")))
               : NULL;
}

void SetUserString(const wchar_t* path, const wchar_t* name, const wchar_t* text)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_SET_VALUE,
                                             NULL, &key, NULL));
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void DeleteUserValue(const wchar_t* path, const wchar_t* name)
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, path, name);
}

// Whether the window shows pure red text, repainted first unless told. The screen may lag the
// painting, so the answer is taken when it matches what is expected or after 2 s.
bool ShowsRed(HWND window, bool expected, bool repaint = true)
{
    if (repaint)
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT area;
    GetWindowRect(window, &area);
    bool red = !expected;
    WaitUntil(
        [&] {
            ScreenShot shot;
            red = CaptureScreen(&shot) && CountColor(shot, area, RGB(255, 0, 0)) > 0;
            return red == expected;
        },
        2000, false);
    return red;
}

// The system folder's control.exe, for the time of a test, records its arguments there, a line
// a start.
std::wstring SystemFile(const wchar_t* name)
{
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(system) + L"\\" + name;
}

std::wstring ControlProbeLog()
{
    return SystemFile(L"control_probe.log");
}

class ControlProbe
{
  public:
    ControlProbe()
    {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(NULL, self, MAX_PATH);
        std::wstring probe(self);
        probe = probe.substr(0, probe.rfind(L'\\')) + L"\\control_probe.exe";
        DeleteFileW(ControlProbeLog().c_str());
        EXPECT_TRUE(MoveFileExW(SystemFile(L"control.exe").c_str(), Saved().c_str(),
                                MOVEFILE_REPLACE_EXISTING));
        EXPECT_TRUE(CopyFileW(probe.c_str(), SystemFile(L"control.exe").c_str(), FALSE));
        // Wine would run its own control.exe whatever the file holds.
        SetUserString(DllOverrides, L"control.exe", L"native");
    }
    ~ControlProbe()
    {
        DeleteUserValue(DllOverrides, L"control.exe");
        MoveFileExW(Saved().c_str(), SystemFile(L"control.exe").c_str(), MOVEFILE_REPLACE_EXISTING);
        DeleteFileW(ControlProbeLog().c_str());
    }

  private:
    static std::wstring Saved()
    {
        return SystemFile(L"control.exe.saved");
    }
    const wchar_t* const DllOverrides = L"Software\\Wine\\DllOverrides";
};

std::vector<std::wstring> ControlProbeCalls()
{
    std::vector<std::wstring> lines;
    FILE* log = _wfopen(ControlProbeLog().c_str(), L"r");
    if (!log)
        return lines;
    char line[512];
    while (fgets(line, 512, log)) {
        std::wstring text(line, line + strlen(line));
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
            text.pop_back();
        lines.push_back(text);
    }
    fclose(log);
    return lines;
}

SimState DriverState()
{
    SimState state = {};
    EXPECT_TRUE(SimReadState(0, &state));
    return state;
}

class Applet : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchParametersKey);
        RemoveTabletService();
        g_appletSeams.getSystemMetrics = GetSystemMetrics;
    }
    void TearDown() override
    {
        RemoveTabletService();
    }
};

TEST_F(Applet, AnswersEveryMessageOfTheProtocol)
{
    APPLET_PROC applet = LoadCpl();
    ASSERT_TRUE(applet != NULL) << "CPlApplet is not exported undecorated";
    const struct {
        UINT message;
        LONG answer;
    } rows[] = {{CPL_INIT, 1}, {CPL_INIT, 0},         {CPL_GETCOUNT, 1}, {CPL_SELECT, 0},
                {CPL_STOP, 0}, {CPL_STARTWPARMSA, 0}, {0x4711, 0},       {CPL_EXIT, 0},
                {CPL_INIT, 1}, {CPL_EXIT, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(row.answer, applet(NULL, row.message, 0, 0)) << "message " << row.message;
    CPLINFO info = {-1, -1, -1, -1};
    EXPECT_EQ(0, applet(NULL, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(IDI_APPLET, info.idIcon);
    EXPECT_EQ(IDS_APP_NAME, info.idName);
    EXPECT_EQ(IDS_APP_DESCRIPTION, info.idInfo);
    EXPECT_EQ(0, info.lData);
    NEWCPLINFOW untouched, fresh;
    memset(&untouched, 0x5A, sizeof(untouched));
    fresh = untouched;
    EXPECT_EQ(0, applet(NULL, CPL_NEWINQUIRE, 0, reinterpret_cast<LPARAM>(&fresh)));
    EXPECT_EQ(0, memcmp(&untouched, &fresh, sizeof(fresh)));
}

TEST_F(Applet, OpensSixPagesInOrderOnTheStartPage)
{
    APPLET_PROC applet = LoadCpl();
    ASSERT_TRUE(applet != NULL);
    const struct {
        const wchar_t* parameters;
        int page;
    } rows[] = {{L"0", 0}, {L"1", 1},  {L"2", 2},  {L"3abc", 3}, {L"4", 4},
                {L"5", 5}, {L"x1", 0}, {L"-1", 0}, {L"", 0},     {NULL, 0}};
    for (const auto& row : rows) {
        CplAnswers answers;
        int page = -1;
        std::vector<std::wstring> titles;
        WithSheet(
            [&] {
                RunLikeControlPanel(applet, row.parameters, &answers);
                return 0;
            },
            [&](HWND sheet) {
                page = CurrentPage(sheet);
                titles = TabTitles(sheet);
                // Mouse mode (nothing stored, no Tablet PC input service), known on every page.
                EXPECT_TRUE(IsItemEnabled(ShowPage(sheet, 2), IDC_CALIBRATE));
                EXPECT_NE(std::wstring::npos, Text(sheet).find(Caption));
            });
        const wchar_t* shown = row.parameters ? row.parameters : L"(null)";
        EXPECT_EQ(row.page, page) << shown;
        EXPECT_EQ(std::vector<std::wstring>({L"Mode", L"Mouse Handling", L"Calibration", L"Options",
                                             L"Hardware", L"About "}),
                  titles)
            << shown;
        // Handled: the host must not open the item a second time with CPL_DBLCLK.
        EXPECT_EQ(1, answers.start) << shown;
        EXPECT_EQ(-1, answers.dblclk) << shown;
        EXPECT_EQ(1, answers.init);
        EXPECT_EQ(0, answers.exit);
    }
}

TEST_F(Applet, OpensOnceFromRundllAndFromControlExe)
{
    const std::wstring commands[] = {RundllCommand(Cpl, L"2"),
                                     std::wstring(L"C:\\windows\\system32\\control.exe ") + Cpl};
    const int pages[] = {2, 0};
    for (int i = 0; i < 2; ++i) {
        HANDLE process = StartProcess(commands[i], false);
        ASSERT_TRUE(process != NULL) << i;
        HWND sheet = WaitForSheet(GetProcessId(process), 15000);
        ASSERT_TRUE(sheet != NULL) << i;
        EXPECT_EQ(pages[i], CurrentPage(sheet));
        PressSheetButton(sheet, PSBTN_CANCEL);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 10000)) << "opened again: " << i;
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

// A non-administrator on a system older than Windows 7 is asked first; with Yes the sheet opens
// without rights and neither OK nor Cancel writes anything.
TEST_F(Applet, NonAdministratorOnVistaIsAskedAndChangesNothing)
{
    SetUserString(AppDefaults, L"Version", L"vista");
    SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    const std::wstring before = DumpTree(TouchParametersKey);
    const uint32_t reloads = DriverState().reloads;
    const struct {
        int answer;
        int button;
    } rows[] = {{IDNO, 0}, {IDYES, PSBTN_OK}, {IDYES, PSBTN_CANCEL}};
    for (const auto& row : rows) {
        BoxWatcher boxes(Caption, row.answer);
        HANDLE process = StartProcess(RundllCommand(Cpl, NULL), true);
        ASSERT_TRUE(process != NULL);
        if (row.answer == IDYES) {
            HWND sheet = WaitForSheet(GetProcessId(process), 15000);
            ASSERT_TRUE(sheet != NULL);
            HWND page = ShowPage(sheet, 0);
            for (int id : {IDC_MODE_WINDOWS_TOUCH, IDC_MODE_MOUSE, IDC_MODE_TABLET_SETTINGS,
                           IDC_MODE_MOUSE_SETTINGS})
                EXPECT_FALSE(IsItemEnabled(page, id)) << id;
            EXPECT_TRUE(IsItemChecked(page, IDC_MODE_MOUSE));
            PressSheetButton(sheet, row.button);
        }
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 15000));
        TerminateProcess(process, 1);
        CloseHandle(process);
        EXPECT_EQ(std::vector<std::wstring>({English(IDS_NEED_ADMIN)}), boxes.Texts());
    }
    EXPECT_EQ(before, DumpTree(TouchParametersKey));
    EXPECT_EQ(reloads, DriverState().reloads);
    DeleteUserValue(AppDefaults, L"Version");
}

// The re-launch needs the shell's elevation, which Wine does not have: this program runs itself
// without the Administrators group, and the shell start is a seam there.
TEST_F(Applet, NonAdministratorOnWindows7IsRelaunchedElevated)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    HANDLE process =
        StartProcess(std::wstring(L"\"") + self +
                         L"\" --gtest_filter=Restricted.RelaunchesOrGoesOnWithoutRights",
                     true);
    ASSERT_TRUE(process != NULL);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 60000));
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_EQ(0u, code);
}

struct ShellCall {
    std::wstring verb, file, parameters;
    bool ownerless, noFolder;
    INT show;
};
std::vector<ShellCall> g_shellCalls;
INT_PTR g_shellAnswer;

HINSTANCE WINAPI RecordShellStart(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                  LPCWSTR folder, INT show)
{
    g_shellCalls.push_back({verb ? verb : L"", file ? file : L"", parameters ? parameters : L"",
                            owner == NULL, folder == NULL, show});
    return reinterpret_cast<HINSTANCE>(g_shellAnswer);
}

TEST(Restricted, RelaunchesOrGoesOnWithoutRights)
{
    if (IsAdministrator())
        GTEST_SKIP() << "runs from Applet.NonAdministratorOnWindows7IsRelaunchedElevated";
    g_appletSeams.shellExecute = RecordShellStart;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    const struct {
        INT_PTR shell;
        LONG answer;
        bool sheet;
    } rows[] = {{42, 1, false}, {SE_ERR_ACCESSDENIED, 0, true}, {SE_ERR_FNF, 1, false}};
    for (const auto& row : rows) {
        g_shellCalls.clear();
        g_shellAnswer = row.shell;
        bool shown = false;
        LONG answer = WithSheet([] { return CPlApplet(NULL, CPL_DBLCLK, 0, 0); },
                                [&](HWND sheet) {
                                    shown = true;
                                    HWND page = ShowPage(sheet, 0);
                                    EXPECT_FALSE(IsItemEnabled(page, IDC_MODE_MOUSE));
                                    PressSheetButton(sheet, PSBTN_CANCEL);
                                });
        EXPECT_EQ(row.answer, answer) << row.shell;
        EXPECT_EQ(row.sheet, shown) << row.shell;
        ASSERT_EQ(1u, g_shellCalls.size());
        EXPECT_EQ(L"runas", g_shellCalls[0].verb);
        EXPECT_EQ(SystemFile(L"rundll32.exe"), g_shellCalls[0].file);
        EXPECT_EQ(std::wstring(L"shell32.dll,Control_RunDLL \"") + self + L"\"",
                  g_shellCalls[0].parameters);
        EXPECT_TRUE(g_shellCalls[0].ownerless && g_shellCalls[0].noFolder);
        EXPECT_EQ(SW_SHOWNORMAL, g_shellCalls[0].show);
    }
}

volatile LONG g_tabletPc = 0;
int WINAPI TabletMetrics(int index)
{
    return index == SM_TABLETPC ? g_tabletPc : GetSystemMetrics(index);
}

// What the Mode page shows on activation, for each stored InputMode with and without the Tablet
// PC input service, and what Cancel writes back.
TEST_F(Applet, ModePageActivation)
{
    const DWORD Absent = 0xFFFFFFFF;
    const struct {
        bool service;
        DWORD stored;
        bool touch, mouse;   // checked
        const char* enabled; // 1487 1488 1489 1490
        UINT status;         // 0: empty
        bool red;
        DWORD published, cancel; // current input mode; InputMode after Cancel
    } rows[] = {
        {true, Absent, true, false, "1110", IDS_NO_TOUCH_INPUT, true, 2, 0},
        {false, Absent, false, true, "0101", IDS_TABLET_ONLY, false, 1, 0},
        {true, 1, false, true, "1101", 0, false, 1, 1},
        {false, 1, false, true, "0101", IDS_TABLET_ONLY, false, 1, 1},
        {true, 2, true, false, "1110", IDS_NO_TOUCH_INPUT, true, 2, 2},
        {false, 2, true, false, "0100", IDS_TABLET_ONLY, true, 2, 2},
        {true, 5, false, false, "1100", 0, false, 5, 5},
        {false, 5, false, false, "0100", IDS_TABLET_ONLY, false, 5, 5},
    };
    const int ids[] = {IDC_MODE_WINDOWS_TOUCH, IDC_MODE_MOUSE, IDC_MODE_TABLET_SETTINGS,
                       IDC_MODE_MOUSE_SETTINGS};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "service " << row.service << ", mode " << row.stored);
        DeleteTree(TouchParametersKey);
        if (row.stored != Absent)
            SetDword(TouchParametersKey, InputModeName, row.stored);
        if (row.service)
            InstallTabletService(0);
        else
            RemoveTabletService();
        OpenHere(L"0", [&](HWND sheet) {
            HWND page = ShowPage(sheet, 0);
            EXPECT_EQ(row.touch, IsItemChecked(page, IDC_MODE_WINDOWS_TOUCH));
            EXPECT_EQ(row.mouse, IsItemChecked(page, IDC_MODE_MOUSE));
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(row.enabled[i] == '1', IsItemEnabled(page, ids[i])) << ids[i];
            EXPECT_EQ(row.status ? English(row.status) : L"", ItemText(page, IDC_MODE_STATUS));
            EXPECT_EQ(row.red, ShowsRed(GetDlgItem(page, IDC_MODE_STATUS), row.red));
            EXPECT_EQ(row.published, CurrentInputMode());
            ClickItem(page, IDC_MODE_MOUSE); // red no more, at once
            EXPECT_FALSE(ShowsRed(GetDlgItem(page, IDC_MODE_STATUS), false, false));
        });
        DWORD written = Absent;
        EXPECT_TRUE(GetDword(TouchParametersKey, InputModeName, &written));
        EXPECT_EQ(row.cancel, written);
    }
}

// Each choice is written and announced at once; Windows touch starts the service and waits for
// it; OK, Apply and Cancel write the current or the committed mode.
TEST_F(Applet, ModeChoicesWriteReloadAndStartTheService)
{
    SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    InstallTabletService(1200);
    ASSERT_TRUE(SimResetCounters(0));
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        ClickItem(page, IDC_MODE_WINDOWS_TOUCH);
        // The handler returns once the service runs; only then does the page disable 1490.
        ASSERT_TRUE(
            WaitUntil([&] { return !IsItemEnabled(page, IDC_MODE_MOUSE_SETTINGS); }, 15000, false));
        EXPECT_TRUE(IsTabletServiceRunning());
        EXPECT_TRUE(IsItemEnabled(page, IDC_MODE_TABLET_SETTINGS));
        EXPECT_FALSE(IsItemChecked(page, IDC_MODE_MOUSE));
        EXPECT_EQ(InputModeWindowsTouch, CurrentInputMode());
        const struct {
            int item;     // clicked, or a sheet button when negative
            DWORD stored; // InputMode afterwards
        } steps[] = {{IDC_MODE_MOUSE, 1}, {-PSBTN_APPLYNOW, 1}, {IDC_MODE_WINDOWS_TOUCH, 2}};
        uint32_t reloads = 1;
        for (const auto& step : steps) {
            if (step.item < 0)
                PressSheetButton(sheet, -step.item);
            else
                ClickItem(page, step.item);
            ++reloads;
            EXPECT_TRUE(WaitUntil([&] { return DriverState().reloads == reloads; }, 10000, false));
            EXPECT_EQ(static_cast<int32_t>(step.stored), DriverState().params[SimInputMode]);
        }
        EXPECT_TRUE(IsTabletServiceRunning()); // mouse mode does not stop it
    });
    // Cancel: the mode of the Apply, announced once more.
    EXPECT_EQ(5u, DriverState().reloads);
    EXPECT_EQ(static_cast<int32_t>(InputModeMouse), DriverState().params[SimInputMode]);
}

// A Tablet PC input service that never finishes starting holds the sheet no longer than 30 s.
TEST_F(Applet, ServiceThatNeverStartsReleasesTheSheet)
{
    SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    InstallTabletService(INFINITE);
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        ClickItem(page, IDC_MODE_WINDOWS_TOUCH);
        EXPECT_TRUE(
            WaitUntil([&] { return !IsItemEnabled(page, IDC_MODE_MOUSE_SETTINGS); }, 45000, false));
    });
}

TEST_F(Applet, WindowsTouchWithoutADeviceIsWrittenButDoesNotStartTheService)
{
    SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    InstallTabletService(0);
    ASSERT_TRUE(SimRestartDriver(0));
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        ClickItem(page, IDC_MODE_WINDOWS_TOUCH);
        EXPECT_TRUE(
            WaitUntil([&] { return !IsItemEnabled(page, IDC_MODE_MOUSE_SETTINGS); }, 10000, false));
        DWORD stored = 0;
        EXPECT_TRUE(GetDword(TouchParametersKey, InputModeName, &stored));
        EXPECT_EQ(InputModeWindowsTouch, stored);
        EXPECT_FALSE(IsTabletServiceRunning());
        PressSheetButton(sheet, PSBTN_OK);
    });
    EXPECT_TRUE(SimRestartDriver(SimDefaultDevices));
}

// The status line follows the system's Tablet PC input within a tick; the Tablet PC settings
// button explains first when there is none.
TEST_F(Applet, StatusLineAndSettingsFollowTabletInput)
{
    g_appletSeams.getSystemMetrics = TabletMetrics;
    g_tabletPc = 0;
    SetDword(TouchParametersKey, InputModeName, InputModeWindowsTouch);
    InstallTabletService(0);
    std::vector<std::wstring> calls;
    ControlProbe probe;
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        EXPECT_EQ(English(IDS_NO_TOUCH_INPUT), ItemText(page, IDC_MODE_STATUS));
        {
            BoxWatcher boxes(Caption);
            ClickItem(page, IDC_MODE_TABLET_SETTINGS);
            EXPECT_TRUE(WaitUntil([&] { return ControlProbeCalls().size() == 1; }, 10000, false));
            EXPECT_EQ(std::vector<std::wstring>({English(IDS_TABLET_NOT_STARTED)}), boxes.Texts());
        }
        g_tabletPc = 1;
        EXPECT_TRUE(
            WaitUntil([&] { return ItemText(page, IDC_MODE_STATUS).empty(); }, 3000, false));
        EXPECT_FALSE(ShowsRed(GetDlgItem(page, IDC_MODE_STATUS), false));
        BoxWatcher boxes(Caption);
        // One program at a time: two started together append to the log in either order.
        ClickItem(page, IDC_MODE_TABLET_SETTINGS);
        EXPECT_TRUE(WaitUntil([&] { return ControlProbeCalls().size() == 2; }, 10000, false));
        ClickItem(page, IDC_MODE_MOUSE);
        ClickItem(page, IDC_MODE_MOUSE_SETTINGS);
        EXPECT_TRUE(WaitUntil([&] { return ControlProbeCalls().size() == 3; }, 10000, false));
        EXPECT_EQ(0u, boxes.Count());
        calls = ControlProbeCalls();
    });
    EXPECT_EQ(std::vector<std::wstring>({L"/name Microsoft.TabletPCSettings",
                                         L"/name Microsoft.TabletPCSettings", L"mouse"}),
              calls);
}

// The parameters key becomes a link into a volatile key, below which no lasting key can be
// created: the write fails for real.
class BrokenParametersKey
{
  public:
    BrokenParametersKey()
    {
        DeleteTree(TouchParametersKey);
        HKEY key;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, VolatileKey, 0, NULL, REG_OPTION_VOLATILE,
                        KEY_ALL_ACCESS, NULL, &key, NULL);
        RegCloseKey(key);
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, TouchParametersKey, 0, NULL,
                                  REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, NULL, &key, NULL));
        const wchar_t target[] = L"\\Registry\\Machine\\SOFTWARE\\TqTouchTest\\Parameters";
        RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                       reinterpret_cast<const BYTE*>(target), sizeof(target) - sizeof(wchar_t));
        RegCloseKey(key);
    }
    ~BrokenParametersKey()
    {
        typedef LONG(NTAPI * DeleteKeyProc)(HANDLE);
        DeleteKeyProc deleteKey = reinterpret_cast<DeleteKeyProc>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
        HKEY link;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TouchParametersKey, REG_OPTION_OPEN_LINK, DELETE,
                          &link) == ERROR_SUCCESS) {
            deleteKey(link);
            RegCloseKey(link);
        }
        DeleteTree(VolatileKey);
    }

  private:
    const wchar_t* const VolatileKey = L"SOFTWARE\\TqTouchTest";
};

TEST_F(Applet, RegistryFailureShowsOneBoxAndKeepsTheServiceStopped)
{
    InstallTabletService(0);
    BrokenParametersKey broken;
    BoxWatcher boxes(Caption);
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 0);
        ClickItem(page, IDC_MODE_WINDOWS_TOUCH);
        EXPECT_TRUE(WaitUntil([&] { return boxes.Count() == 1; }, 10000, false));
        EXPECT_TRUE(
            WaitUntil([&] { return !IsItemEnabled(page, IDC_MODE_MOUSE_SETTINGS); }, 10000, false));
        EXPECT_FALSE(IsTabletServiceRunning());
    });
    wchar_t system[1024] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL,
                   ERROR_CHILD_MUST_BE_VOLATILE, 0, system, 1024, NULL);
    std::wstring expected = English(IDS_CREATE_KEY_FAILED) + L"\n(Code 1021) " + system;
    while (iswspace(expected.back()))
        expected.pop_back();
    // One for the choice, one for the Cancel that writes the committed mode back.
    EXPECT_TRUE(WaitUntil([&] { return boxes.Count() == 2; }, 5000, false));
    EXPECT_EQ(std::vector<std::wstring>(2, expected), boxes.Texts());
}

// The help window once it has stayed open a moment: HTML Help creates it before it looks up the
// context id and destroys it again when the file does not map the id.
HWND WaitForHelpWindow()
{
    HWND help = NULL;
    WaitUntil([&] { return (help = FindWindowW(L"HH Parent", NULL)) != NULL; }, 5000, false);
    return help && !WaitGone(help, 500) ? help : NULL;
}

void CloseHelpWindow(HWND help)
{
    PostMessageW(help, WM_CLOSE, 0, 0);
    WaitGone(help, 5000);
}

// The package's help file in each place the applet looks, only in the current folder, where it
// must not look, and nowhere: the system menu's item (F1 follows the same lookup) and the default
// topic it opens.
TEST_F(Applet, HelpFromEachPlaceThroughTheSystemMenu)
{
    wchar_t folder[MAX_PATH], windows[MAX_PATH], system[MAX_PATH], current[MAX_PATH];
    GetModuleFileNameW(NULL, folder, MAX_PATH);
    *wcsrchr(folder, L'\\') = L'\0';
    GetWindowsDirectoryW(windows, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring elsewhere = std::wstring(windows) + L"\\Temp";
    CreateDirectoryW((std::wstring(windows) + L"\\Help").c_str(), NULL);
    const std::wstring places[] = {folder, elsewhere, std::wstring(windows) + L"\\Help", system,
                                   L""};
    SetCurrentDirectoryW(elsewhere.c_str());
    for (const std::wstring& place : places) {
        SCOPED_TRACE(testing::Message() << "help in \"" << testing::PrintToString(place) << "\"");
        const std::wstring file = place + L"\\TqTouch.chm";
        if (!place.empty()) {
            ASSERT_TRUE(CopyFileW(TQ_TEST_HELP, file.c_str(), FALSE));
        }
        OpenHere(L"0", [&](HWND sheet) {
            HMENU menu = GetSystemMenu(sheet, FALSE);
            const int count = GetMenuItemCount(menu);
            const bool item = GetMenuItemID(menu, count - 1) == 0x20;
            EXPECT_EQ(!place.empty() && place != elsewhere, item);
            if (!item)
                return;
            wchar_t text[64] = L"";
            GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
            EXPECT_EQ(English(IDS_HELP), text);
            EXPECT_TRUE(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
            if (place != folder)
                return;
            PostMessageW(sheet, WM_SYSCOMMAND, 0x20, 0);
            HWND help = WaitForHelpWindow();
            EXPECT_TRUE(help != NULL) << "default topic";
            EXPECT_EQ(L"Touch Screen Help", Text(help));
            CloseHelpWindow(help);
        });
        if (!place.empty())
            DeleteFileW(file.c_str());
    }
    SetCurrentDirectoryW(current);
}

// What this process's HTML Help has traced so far: test_applet_help runs this program with Wine's
// htmlhelp channel on and its stderr in the file TQ_HELP_TRACE names.
std::string HelpTrace()
{
    std::ifstream file(getenv("TQ_HELP_TRACE"), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// F1 on a control of every page and of the press-and-hold dialog opens the help window on that
// place's own topic: each asks for 0x20000 + its dialog id. A library of HTML Help's name planted
// beside this program, and so in its current folder, where a load by the bare name finds it first
// (test_applet_help has Wine prefer such a file to its own), is not what F1 loads.
TEST_F(Applet, F1OnEveryPageAndInThePressAndHoldDialogOpensItsTopic)
{
    if (!getenv("TQ_HELP_TRACE"))
        GTEST_SKIP() << "which topic opened shows only in the help trace: see test_applet_help";
    ASSERT_TRUE(GetModuleHandleW(L"hhctrl.ocx") == NULL) << "HTML Help is loaded already";
    wchar_t folder[MAX_PATH];
    GetModuleFileNameW(NULL, folder, MAX_PATH);
    *wcsrchr(folder, L'\\') = L'\0';
    const std::wstring file = std::wstring(folder) + L"\\TqTouch.chm";
    const std::wstring planted = std::wstring(folder) + L"\\hhctrl.ocx";
    ASSERT_TRUE(CopyFileW(TQ_TEST_HELP, file.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(TQ_PLANTED_DLL, planted.c_str(), FALSE));
    // The Options page's only control is disabled from Windows 7 on: the focus stays on the tabs.
    const struct {
        int page, control;
        bool pressAndHold; // the dialog that the page's IDC_CLICK_SETTINGS opens
        int dialog;
        const char* topic;
    } places[] = {{0, IDC_MODE_MOUSE, false, IDD_MODE, "mode"},
                  {1, IDC_CLICK_EMULATE, false, IDD_MOUSE, "mouse"},
                  {2, IDC_CALIB_NO_TIMEOUT, false, IDD_CALIBRATION, "calibration"},
                  {3, 0, false, IDD_OPTIONS, "options"},
                  {4, IDC_HW_SELECT, false, IDD_HARDWARE, "hardware"},
                  {5, IDC_ABOUT_MODULES, false, IDD_ABOUT, "about"},
                  {1, IDC_RC_ENABLE, true, IDD_RIGHT_CLICK, "press_and_hold"}};
    OpenHere(L"0", [&](HWND sheet) {
        for (const auto& place : places) {
            SCOPED_TRACE(testing::Message()
                         << "page " << place.page << ", control " << place.control
                         << (place.pressAndHold ? ", dialog" : ""));
            HWND window = ShowPage(sheet, place.page);
            if (place.pressAndHold) {
                ClickItem(window, IDC_CLICK_SETTINGS);
                WaitUntil(
                    [&] {
                        return (window = FindWindowW(L"#32770", L"Settings for Emulate Mouse")) !=
                               NULL;
                    },
                    10000, false);
                ASSERT_TRUE(window != NULL);
            }
            const size_t traced = HelpTrace().size();
            DWORD self = GetCurrentThreadId(), owner = GetWindowThreadProcessId(sheet, NULL);
            AttachThreadInput(self, owner, TRUE);
            SetFocus(place.control ? GetDlgItem(window, place.control)
                                   : PropSheet_GetTabControl(sheet));
            PressKey(VK_F1);
            AttachThreadInput(self, owner, FALSE);
            HWND help = WaitForHelpWindow();
            EXPECT_TRUE(help != NULL);
            char asked[64], found[64];
            snprintf(asked, 64, "HH_HELP_CONTEXT, data=%x)", 0x20000 + place.dialog);
            snprintf(found, 64, "FindContextAlias returning \"%s.htm\"", place.topic);
            const std::string trace = HelpTrace();
            const size_t at = trace.find(asked, traced);
            EXPECT_NE(std::string::npos, at) << asked;
            EXPECT_NE(std::string::npos, trace.find(found, at)) << found;
            CloseHelpWindow(help);
            if (place.pressAndHold) {
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
                WaitGone(window, 5000);
            }
        }
    });
    EXPECT_TRUE(GetModuleHandleW(planted.c_str()) == NULL);
    DeleteFileW(file.c_str());
    DeleteFileW(planted.c_str());
}

// The layer's integer and range checks on the Calibration page's margin edit: a failed check
// shows its text, keeps the member and puts the focus on the edit.
class MarginPage : public PropertyPage
{
  public:
    MarginPage() : PropertyPage(IDD_CALIBRATION) {}
    int32_t margin = 10;

  private:
    void DoDataExchange(DataExchange& dx) override
    {
        dx.Int(IDC_CALIB_MARGIN, &margin);
        dx.Range(IDC_CALIB_MARGIN, margin, 0, 25);
    }
};

TEST_F(Applet, DataExchangeChecksIntegersAndTheirRange)
{
    SetDialogModule(GetModuleHandleW(NULL));
    SetMessageBoxCaption(Caption);
    std::vector<BYTE> pageTemplate;
    ASSERT_TRUE(LoadTemplateWithFont(GetModuleHandleW(NULL), IDD_CALIBRATION, &pageTemplate));
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HWND parent =
        CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL, NULL, NULL);
    MarginPage page;
    PROPSHEETPAGEW header = {};
    header.lParam = reinterpret_cast<LPARAM>(&page);
    HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(NULL), reinterpret_cast<const DLGTEMPLATE*>(pageTemplate.data()), parent,
        PropertyPage::PageProc, reinterpret_cast<LPARAM>(&header));
    ASSERT_TRUE(dialog != NULL);
    // As the sheet shows a page: templates of pages are disabled.
    EnableWindow(dialog, TRUE);
    ShowWindow(dialog, SW_SHOW);
    ShowWindow(parent, SW_SHOW);
    EXPECT_EQ(L"10", ItemText(dialog, IDC_CALIB_MARGIN));
    const std::wstring range = L"Enter an integer between 0 and 25.";
    const struct {
        const wchar_t* text;
        int32_t margin; // afterwards
        std::wstring message;
    } rows[] = {{L"25", 25, L""},
                {L" 0 ", 0, L""},
                {L"40", 40, range},
                {L"-1", -1, range},
                {L"", -1, English(IDS_DX_INTEGER)},
                {L"2147483648", -1, English(IDS_DX_INTEGER)},
                {L"7x", -1, English(IDS_DX_INTEGER)}};
    for (const auto& row : rows) {
        BoxWatcher boxes(Caption);
        SetDlgItemTextW(dialog, IDC_CALIB_MARGIN, row.text);
        SetFocus(NULL);
        EXPECT_EQ(row.message.empty(), page.UpdateData(true)) << testing::PrintToString(row.text);
        EXPECT_EQ(row.margin, page.margin);
        EXPECT_EQ(row.message.empty() ? std::vector<std::wstring>()
                                      : std::vector<std::wstring>({row.message}),
                  boxes.Texts());
        if (!row.message.empty()) {
            EXPECT_EQ(GetDlgItem(dialog, IDC_CALIB_MARGIN), GetFocus());
        }
    }
    DestroyWindow(parent);
}

// Every page and the press-and-hold dialog in the user's language (German in
// test_applet_german) show their texts whole, the Mode page's status line included.
TEST_F(Applet, EveryTextFitsItsControl)
{
    SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    OpenHere(L"0", [&](HWND sheet) {
        for (int index = 0; index < 6; ++index) {
            SCOPED_TRACE(testing::Message() << "page " << index);
            ExpectTextsFit(ShowPage(sheet, index));
        }
        HWND dialog = OpenSettings(ShowPage(sheet, 1));
        ASSERT_TRUE(dialog != NULL);
        SCOPED_TRACE("press-and-hold dialog");
        ExpectTextsFit(dialog);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        WaitGone(dialog, 5000);
    });
}

TEST_F(Applet, GermanTexts)
{
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_GERMAN)
        GTEST_SKIP() << "needs a German user interface";
    OpenHere(L"0", [&](HWND sheet) {
        EXPECT_EQ(std::vector<std::wstring>({L"Betriebsart", L"Maus-Behandlung", L"Kalibrierung",
                                             L"Optionen", L"Hardware", L"About "}),
                  TabTitles(sheet));
        HWND page = ShowPage(sheet, 0);
        EXPECT_EQ(L"&Windows Touch Unterst\u00fctzung verwenden",
                  ItemText(page, IDC_MODE_WINDOWS_TOUCH));
        EXPECT_EQ(L"Touchbet\u00e4tigungen als &Mauseingaben auswerten",
                  ItemText(page, IDC_MODE_MOUSE));
        EXPECT_EQ(L"Diese Option ist nur verf\u00fcgbar auf Systemen mit Tablet PC "
                  L"Funktionalit\u00e4t wie Windows 7.",
                  ItemText(page, IDC_MODE_STATUS));
    });
}

} // namespace
