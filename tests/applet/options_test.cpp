// The Options page through rundll32: the beep on release, shown on Windows 7, changed on Vista.
#include <gtest/gtest.h>
#include <windows.h>

#include "applet_drive.h"
#include "calib_drive.h"
#include "reg_fixture.h"
#include "resource.h"
#include "sim_client.h"
#include "tq_registry.h"

namespace
{

uint32_t Reloads()
{
    SimState state = {};
    EXPECT_TRUE(SimReadState(0, &state));
    return state.reloads;
}

// Each click is written and announced at once; Cancel writes the page's value, which takes the
// click back only while the page has not been left since. Windows 7 shows the value disabled.
TEST(OptionsPage, BeepOnWindows7AndOnVista)
{
    const wchar_t* const AppDefaults = L"Software\\Wine\\AppDefaults\\rundll32.exe";
    const DWORD Absent = 0xFFFFFFFF;
    const struct {
        bool vista;
        DWORD stored;
        bool checked;
        const char* leave; // after a click; NULL: no click
        DWORD cancel;
    } rows[] = {{false, Absent, false, NULL, 0}, {false, 2, true, NULL, 1},
                {true, 2, true, NULL, 1},        {true, 0, false, "stay", 0},
                {true, 0, false, "page", 1},     {true, 0, false, "apply", 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.vista << ", " << row.stored << ", " << row.leave);
        DeleteTree(TouchParametersKey);
        if (row.stored != Absent)
            SetDword(TouchParametersKey, BeepName, row.stored);
        if (row.vista)
            RegSetKeyValueW(HKEY_CURRENT_USER, AppDefaults, L"Version", REG_SZ, L"vista", 12);
        const uint32_t reloads = Reloads();
        HANDLE process = StartProcess(RundllCommand(TQ_APPLET_CPL, L"3"), false);
        ASSERT_TRUE(process != NULL);
        HWND sheet = WaitForSheet(GetProcessId(process), 15000);
        ASSERT_TRUE(sheet != NULL);
        HWND page = ShowPage(sheet, 3);
        EXPECT_EQ(row.vista, IsItemEnabled(page, IDC_BEEP));
        EXPECT_EQ(row.checked, IsItemChecked(page, IDC_BEEP));
        if (row.leave) {
            ClickItem(page, IDC_BEEP);
            EXPECT_TRUE(WaitUntil([&] { return Reloads() == reloads + 1; }, 10000, false));
            DWORD beep = 0;
            EXPECT_TRUE(GetDword(TouchParametersKey, BeepName, &beep) && beep == 1);
            if (row.leave[0] == 'p')
                ShowPage(sheet, 4);
            if (row.leave[0] == 'a')
                PressSheetButton(sheet, PSBTN_APPLYNOW);
        }
        PressSheetButton(sheet, PSBTN_CANCEL);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 15000));
        TerminateProcess(process, 1);
        CloseHandle(process);
        DWORD beep = 0xDEAD;
        EXPECT_TRUE(GetDword(TouchParametersKey, BeepName, &beep) && beep == row.cancel) << beep;
        EXPECT_EQ(reloads + (row.leave ? 2 : 1), Reloads());
        RegDeleteKeyValueW(HKEY_CURRENT_USER, AppDefaults, L"Version");
    }
}

} // namespace
