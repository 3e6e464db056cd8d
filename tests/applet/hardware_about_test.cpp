// The Hardware and About pages, opened in process and through rundll32, against the simulated
// driver: the device list and properties, Reset, the hidden Calibrate, the selection program and
// the installed versions.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include <string>
#include <vector>

#include "applet_drive.h"
#include "calib_drive.h"
#include "cpl_entry.h"
#include "page_about.h"
#include "reg_fixture.h"
#include "resource.h"
#include "select_standin.h"
#include "sim_client.h"
#include "tq_registry.h"

namespace
{

const wchar_t* const Caption = L"Touch Screen";
const wchar_t* const InstanceRoot = L"SYSTEM\\CurrentControlSet\\Enum\\ROOT\\TQTEST";
const int HardwarePage = 4;
const int AboutPage = 5;

std::wstring RecordKey(unsigned n)
{
    return std::wstring(TouchParametersKey) + L"\\Screen" + std::to_wstring(n) + L"\\Calibration";
}

// A file in the system folder, or beside this program, where the linked applet looks for the
// programs it starts.
std::wstring FileIn(bool system, const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    if (system) {
        GetSystemDirectoryW(path, MAX_PATH);
        wcscat(path, L"\\");
    } else {
        GetModuleFileNameW(NULL, path, MAX_PATH);
        wcsrchr(path, L'\\')[1] = L'\0';
    }
    return std::wstring(path) + name;
}

// Each item as "name|type|device".
std::vector<std::wstring> Items(HWND page)
{
    HWND list = GetDlgItem(page, IDC_HW_LIST);
    std::vector<std::wstring> items;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t name[64] = L"", type[64] = L"";
        ListView_GetItemText(list, i, 0, name, 64);
        ListView_GetItemText(list, i, 1, type, 64);
        LVITEMW item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ListView_GetItem(list, &item);
        items.push_back(std::wstring(name) + L"|" + type + L"|" + std::to_wstring(item.lParam));
    }
    return items;
}

// The three property lines, then 1 or 0 for Reset and the hidden Calibrate enabled.
std::wstring Properties(HWND page)
{
    return ItemText(page, IDC_HW_LOCATION) + L"|" + ItemText(page, IDC_HW_FIRMWARE) + L"|" +
           ItemText(page, IDC_HW_STATUS) + L"|" +
           (IsItemEnabled(page, IDC_HW_RESET) ? L"1" : L"0") +
           (IsItemEnabled(page, IDC_CALIBRATE) ? L"1" : L"0");
}

void SelectItem(HWND page, int index)
{
    ListView_SetItemState(GetDlgItem(page, IDC_HW_LIST), index, LVIS_SELECTED, LVIS_SELECTED);
}

bool StatusBecomes(HWND page, const wchar_t* status)
{
    const std::wstring line = std::wstring(L"Device status: ") + status;
    return WaitUntil([&] { return ItemText(page, IDC_HW_STATUS) == line; }, 10000, false);
}

class Hardware : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchParametersKey);
        DeleteTree(TouchEnumKey);
        DeleteTree(InstanceRoot);
        // The calibration runs with the default options (5 marks).
        DeleteTree(TouchOptionsKey);
        SetDword(TouchParametersKey, InputModeName, InputModeMouse);
    }
    void TearDown() override
    {
        DeleteTree(TouchEnumKey);
        DeleteTree(InstanceRoot);
        DeleteTree(SelectStandInKey);
        DeleteFileW(FileIn(false, L"TqTouchSelect.exe").c_str());
        DeleteFileW(FileIn(false, L"TqTouchCalib.exe").c_str());
        EXPECT_TRUE(SimRestartDriver(SimDefaultDevices));
    }
    // The devices of the mask, each with its entry of info.
    static void StartDevices(uint32_t mask, const TouchDeviceInfo (&info)[4])
    {
        ASSERT_TRUE(SimRestartDriver(mask));
        for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
            if (mask & (1u << n)) {
                ASSERT_TRUE(SimSetDeviceInfo(n, info[n]));
            }
        }
    }
};

// Every controller type, connection and calibration state; a device that fails the request is
// not listed; without devices only the labels remain.
TEST_F(Hardware, ListsTheDevicesAndShowsTheSelectedOnesProperties)
{
    // Device 0's instance id and port name without terminating zeros, the port name as binary
    // data that fills the 200 bytes; device 2's Enum value is no string.
    // (The registry adds the zero to a string when the character after its end is one.)
    const wchar_t instance[] = L"ROOT\\TQTEST\\0000+";
    SetRaw(TouchEnumKey, L"0", REG_SZ, instance, sizeof(instance) - 2 * sizeof(wchar_t));
    const std::wstring port = L"COM" + std::wstring(97, L'7');
    SetRaw((std::wstring(InstanceRoot) + L"\\0000\\Device Parameters").c_str(), PortNameName,
           REG_BINARY, port.c_str(), 200);
    SetDword(TouchEnumKey, L"2", 5);
    SetDword(RecordKey(0).c_str(), ValidName, 1);
    SetDword(RecordKey(1).c_str(), ValidName, 0);
    SetString(RecordKey(2).c_str(), ValidName, L"1");
    const std::wstring serial = L"Location: on serial port (" + port + L")";
    const struct {
        uint32_t mask;
        TouchDeviceInfo info[4]; // type, connection, minor, major
        std::vector<std::wstring> items;
        std::vector<std::wstring> shown; // on selecting each item; without items, at first
    } rows[] = {
        {0x5,
         {{0, 1, 5, 2, {}}, {}, {3, 1, 0, 0, {}}, {}},
         {L"Generic Serial Touch 0|(unknown)|0", L"Generic Serial Touch 2||2"},
         {serial + L"|Firmware: 2.5|Device status: calibrated|11",
          L"Location: on serial port (COM?)|Firmware: 0.0|Device status: not calibrated|01"}},
        {0xF, // device 0 fails the request
         {{}, {1, 0, 1, 3, {}}, {2, 2, 9, 10, {}}, {1, 7, 0, 1, {}}},
         {L"Generic Serial Touch 1|(Standard)|1", L"Generic Serial Touch 2|Elo TouchSystems|2",
          L"Generic Serial Touch 3|(Standard)|3"},
         {L"Location: (unknown)|Firmware: 3.1|Device status: not calibrated|01",
          L"Location: direct I/O|Firmware: 10.9|Device status: not calibrated|01",
          L"Location: |Firmware: 1.0|Device status: not calibrated|01"}},
        {0, {}, {}, {L"Location: |Firmware: |Device status: |00"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "devices " << row.mask);
        StartDevices(row.mask, row.info);
        if (row.mask == 0xF) {
            ASSERT_TRUE(SimFailNext(0, SimGetDeviceInfo, 10, 0xC0000001));
        }
        OpenHere(L"4", [&](HWND sheet) {
            HWND page = ShowPage(sheet, HardwarePage);
            HWND list = GetDlgItem(page, IDC_HW_LIST);
            EXPECT_EQ(row.items, Items(page));
            EXPECT_EQ(row.items.empty() ? -1 : 0, ListView_GetNextItem(list, -1, LVNI_SELECTED));
            for (size_t i = 0; i < row.shown.size(); ++i) {
                if (!row.items.empty())
                    SelectItem(page, static_cast<int>(i));
                EXPECT_EQ(row.shown[i], Properties(page)) << i;
            }
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_CALIBRATE)));
        });
    }
}

// With devices 0 and 2 the second item is device 2: Reset deletes its record only (Screen1,
// the item's place, holds one too) and reloads every device; the hidden Calibrate runs
// TqTouchCalib.exe for it, touched with real input; a later activation shows a change made
// elsewhere.
TEST_F(Hardware, ResetAndCalibrateActOnTheSelectedItemsDevice)
{
    ASSERT_TRUE(CopyFileW(TQ_TEST_CALIB_EXE, FileIn(false, L"TqTouchCalib.exe").c_str(), FALSE));
    StartDevices(0x5, {{1, 1, 0, 1, {}}, {}, {1, 1, 0, 1, {}}, {}});
    for (unsigned n = 0; n < 3; ++n)
        SetDword(RecordKey(n).c_str(), ValidName, 1);
    OpenHere(L"4", [&](HWND sheet) {
        HWND page = ShowPage(sheet, HardwarePage);
        SelectItem(page, 1);
        // By keyboard: Reset disables itself, and the focus must move on, not vanish.
        const DWORD self = GetCurrentThreadId(), owner = GetWindowThreadProcessId(sheet, NULL);
        AttachThreadInput(self, owner, TRUE);
        SetFocus(GetDlgItem(page, IDC_HW_RESET));
        PressKey(VK_SPACE);
        EXPECT_TRUE(StatusBecomes(page, L"not calibrated"));
        HWND focus = GetFocus();
        AttachThreadInput(self, owner, FALSE);
        EXPECT_TRUE(focus && IsWindowEnabled(focus) && IsChild(sheet, focus));
        EXPECT_FALSE(IsItemEnabled(page, IDC_HW_RESET));
        EXPECT_FALSE(KeyExists(RecordKey(2).c_str()));
        EXPECT_TRUE(KeyExists(RecordKey(0).c_str()) && KeyExists(RecordKey(1).c_str()));
        for (unsigned n : {0u, 2u}) {
            SimState state = {};
            EXPECT_TRUE(SimReadState(n, &state));
            EXPECT_EQ(1u, state.reloads) << n;
        }

        PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_CALIBRATE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_CALIBRATE)));
        HWND calib = WaitForWindow(L"TQTOUCHCALIB", 10000);
        ASSERT_TRUE(calib != NULL);
        ScreenShot shot;
        POINT mark = {-1, -1};
        ASSERT_TRUE(
            WaitUntil([&] { return CaptureScreen(&shot) && FindMark(shot, &mark); }, 5000, false));
        for (int k = 1; k <= 5; ++k) {
            ASSERT_TRUE(SimSetRawPoint(2, mark.x * 3 + 100, mark.y * 4 + 50));
            Click(mark.x, mark.y);
            ASSERT_EQ(k < 5, WaitForMarkMove(mark, &mark, 5000)) << "mark " << k;
        }
        HWND ok = FindWindowExW(calib, NULL, L"Button", L"OK");
        ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(ok) != FALSE; }, 3000, false));
        RECT rect;
        GetWindowRect(ok, &rect);
        Click((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        EXPECT_TRUE(StatusBecomes(page, L"calibrated"));
        EXPECT_TRUE(IsItemEnabled(page, IDC_HW_RESET));
        DWORD value = 0;
        EXPECT_FALSE(GetDword(RecordKey(0).c_str(), DeltaName, &value)) << "device 0 calibrated";

        ShowPage(sheet, 0);
        DeleteTree(RecordKey(2).c_str());
        ShowPage(sheet, HardwarePage);
        EXPECT_TRUE(StatusBecomes(page, L"not calibrated"));
    });
}

// A non-administrator (on Vista, asked first) sees the status but never an enabled Reset, and a
// Reset command sent anyway deletes nothing.
TEST_F(Hardware, NonAdministratorNeverSeesResetEnabled)
{
    const wchar_t* const AppDefaults = L"Software\\Wine\\AppDefaults\\rundll32.exe";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueW(HKEY_CURRENT_USER, AppDefaults, L"Version", REG_SZ, L"vista", 12));
    SetDword(RecordKey(0).c_str(), ValidName, 1);
    BoxWatcher boxes(Caption, IDYES);
    HANDLE process = StartProcess(RundllCommand(TQ_APPLET_CPL, L"4"), true);
    ASSERT_TRUE(process != NULL);
    HWND sheet = WaitForSheet(GetProcessId(process), 15000);
    ASSERT_TRUE(sheet != NULL);
    HWND page = ShowPage(sheet, HardwarePage);
    EXPECT_TRUE(StatusBecomes(page, L"calibrated"));
    EXPECT_FALSE(IsItemEnabled(page, IDC_HW_RESET));
    EXPECT_TRUE(IsItemEnabled(page, IDC_HW_SELECT));
    PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_HW_RESET, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_HW_RESET)));
    Sleep(500);
    EXPECT_TRUE(KeyExists(RecordKey(0).c_str()));
    PressSheetButton(sheet, PSBTN_CANCEL);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 15000));
    TerminateProcess(process, 1);
    CloseHandle(process);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, AppDefaults, L"Version");
}

// "&Select..." stays disabled while the program runs, the list is built afresh from the devices
// it leaves, and a missing program changes nothing and shows no box of the applet's.
TEST_F(Hardware, SelectionProgramRebuildsTheListWhenItEnds)
{
    ASSERT_TRUE(CopyFileW(FileIn(false, L"select_standin.exe").c_str(),
                          FileIn(false, L"TqTouchSelect.exe").c_str(), FALSE));
    StartDevices(0x5, {{1, 1, 0, 1, {}}, {}, {1, 1, 0, 1, {}}, {}});
    SetDword(SelectStandInKey, SelectStandInDevices, 0xA);
    HANDLE go = CreateEventW(NULL, TRUE, FALSE, SelectStandInEvent);
    OpenHere(L"4", [&](HWND sheet) {
        HWND page = ShowPage(sheet, HardwarePage);
        ClickItem(page, IDC_HW_SELECT);
        EXPECT_TRUE(WaitUntil([&] { return !IsItemEnabled(page, IDC_HW_SELECT); }, 5000, false));
        Sleep(300);
        EXPECT_FALSE(IsItemEnabled(page, IDC_HW_SELECT));
        EXPECT_EQ(2u, Items(page).size());
        SetEvent(go);
        EXPECT_TRUE(WaitUntil([&] { return IsItemEnabled(page, IDC_HW_SELECT); }, 15000, false));
        const std::vector<std::wstring> rebuilt = {L"Generic Serial Touch 1|(Standard)|1",
                                                   L"Generic Serial Touch 3|(Standard)|3"};
        EXPECT_EQ(rebuilt, Items(page));
        EXPECT_EQ(L"Firmware: 1.0", ItemText(page, IDC_HW_FIRMWARE)) << "first item selected";

        ASSERT_TRUE(DeleteFileW(FileIn(false, L"TqTouchSelect.exe").c_str()));
        BoxWatcher own(Caption);
        BoxWatcher shell(L"Error");
        ClickItem(page, IDC_HW_SELECT);
        // The shell's own "file not found" box, answered.
        EXPECT_TRUE(WaitUntil([&] { return shell.Count() == 1; }, 3000, false));
        Sleep(300);
        EXPECT_TRUE(IsItemEnabled(page, IDC_HW_SELECT));
        EXPECT_EQ(rebuilt, Items(page));
        EXPECT_EQ(0u, own.Count());
    });
    CloseHandle(go);
}

// The package version and a block for each module found, once whatever the activations: the
// selection program's version resource has no OriginalFilename.
TEST(About, ShowsThePackageVersionAndEachModuleFoundOnce)
{
    const std::wstring applet =
        L"Touch Screen Control Panel Item (TqTouchApplet.cpl)\r\nVersion 1.0.0.0\r\n\r\n";
    const std::wstring calib = L"Touch Calibration (TqTouchCalib.exe)\r\nVersion 1.0.0.0\r\n\r\n";
    const std::wstring select = L"Touch screen selection stand-in (?)\r\nVersion 0.1\r\n\r\n";
    CreateDirectoryW(FileIn(true, L"Drivers").c_str(), NULL);
    ASSERT_TRUE(CopyFileW(TQ_TEST_CALIB_EXE, FileIn(true, L"TqTouchCalib.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(TQ_APPLET_CPL, FileIn(true, L"Drivers\\TqTouchDrv.sys").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileW(TQ_TEST_CALIB_EXE, FileIn(true, L"Drivers\\TqHidKmdf.sys").c_str(), FALSE));
    const std::wstring fives(257, L'5'), full = fives.substr(0, 256);
    const struct {
        DWORD type;
        const void* data;
        DWORD size;
        bool select;
        const wchar_t* version;
    } rows[] = {
        {REG_SZ, L"4.2.1", 12, true, L"4.2.1"},
        {REG_SZ, fives.c_str(), 512, false, full.c_str()}, // no terminating zero
        {REG_DWORD, "\x07\0\0\0", 4, true, L"None"},
        {REG_SZ, fives.c_str(), 514, false, L"None"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.version));
        SetRaw(TouchOptionsKey, VersionName, row.type, row.data, row.size);
        const std::wstring selectPath = FileIn(true, L"TqTouchSelect.exe");
        if (row.select)
            CopyFileW(FileIn(false, L"select_standin.exe").c_str(), selectPath.c_str(), FALSE);
        else
            DeleteFileW(selectPath.c_str());
        OpenHere(L"5", [&](HWND sheet) {
            HWND page = ShowPage(sheet, AboutPage);
            EXPECT_EQ(row.version, ItemText(page, IDC_ABOUT_VERSION));
            const std::wstring modules =
                applet + calib + (row.select ? select : L"") + applet + calib;
            EXPECT_EQ(modules, ItemText(page, IDC_ABOUT_MODULES));
            ShowPage(sheet, HardwarePage);
            ShowPage(sheet, AboutPage);
            EXPECT_EQ(modules, ItemText(page, IDC_ABOUT_MODULES));
        });
    }
    for (const wchar_t* file : {L"TqTouchCalib.exe", L"TqTouchSelect.exe",
                                L"Drivers\\TqTouchDrv.sys", L"Drivers\\TqHidKmdf.sys"})
        DeleteFileW(FileIn(true, file).c_str());
    DeleteTree(TouchOptionsKey);
}

// A 32-bit item on 64-bit Windows finds the kernel driver's files in the native system folder;
// the programs stay in the folder the system reports.
TEST(About, DriverFilesComeFromTheNativeSystemFolderUnderWow64)
{
    const struct {
        bool wow64;
        const wchar_t *file, *path;
    } rows[] = {
        {false, L"\\Drivers\\TqTouchDrv.sys", L"C:\\W\\system32\\Drivers\\TqTouchDrv.sys"},
        {true, L"\\Drivers\\TqHidKmdf.sys", L"C:\\W\\Sysnative\\Drivers\\TqHidKmdf.sys"},
        {true, L"\\TqTouchSelect.exe", L"C:\\W\\system32\\TqTouchSelect.exe"},
    };
    for (const auto& row : rows) {
        wchar_t path[MAX_PATH] = L"";
        EXPECT_TRUE(SystemModulePath(L"C:\\W\\system32", L"C:\\W", row.wow64, row.file, path));
        EXPECT_STREQ(row.path, path);
    }
}

} // namespace
