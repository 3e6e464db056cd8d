// The Mouse Handling page and the press-and-hold dialog, driven in process with real input and
// through rundll32 without rights, against the simulated driver.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>

#include <mutex>
#include <string>
#include <vector>

#include "applet_drive.h"
#include "calib_drive.h"
#include "cpl_entry.h"
#include "reg_fixture.h"
#include "resource.h"
#include "right_click_dlg.h"
#include "sim_client.h"
#include "tq_registry.h"

namespace
{

const DWORD Absent = 0xFFFFFFFF;
const int ApplyButton = 0x3021;

SimState Driver()
{
    SimState state = {};
    EXPECT_TRUE(SimReadState(0, &state));
    return state;
}

DWORD Stored(const wchar_t* name)
{
    DWORD value = Absent;
    GetDword(TouchParametersKey, name, &value);
    return value;
}

void Store(const wchar_t* name, DWORD value)
{
    if (value != Absent)
        SetDword(TouchParametersKey, name, value);
}

// Opens the press-and-hold dialog from the Mouse Handling page and returns it.
int TrackbarPosition(HWND dialog, int id)
{
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

// Real keys to a control of the sheet's thread.
void PressKeys(HWND control, WORD key, int count)
{
    DWORD self = GetCurrentThreadId(), owner = GetWindowThreadProcessId(control, NULL);
    AttachThreadInput(self, owner, TRUE);
    SetFocus(control);
    // Each press is waited for until the control's thread has taken its key-up: a key-up still
    // queued when the focus moves on would reach the next control.
    for (int i = 0; i < count; ++i) {
        const SHORT before = GetKeyState(key);
        PressKey(key);
        WaitUntil([&] { return ((GetKeyState(key) ^ before) & 1) && GetKeyState(key) >= 0; }, 2000,
                  false);
    }
    AttachThreadInput(self, owner, FALSE);
}

void RightClick(POINT at)
{
    MovePointer(at.x, at.y);
    // The press must not land where the pointer was before the move.
    WaitUntil(
        [&] {
            POINT now;
            return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
        },
        2000, false);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// The id of the test graphic's bitmap with these pixels, 0 for none.
UINT GlassId(HBITMAP bitmap)
{
    auto bits = [](HBITMAP b) {
        std::vector<uint32_t> p(48 * 48);
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 48, -48, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        HDC dc = GetDC(NULL);
        GetDIBits(dc, b, 0, 48, p.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(NULL, dc);
        return p;
    };
    UINT found = 0;
    for (UINT id : {IDB_GLASS, IDB_GLASS_CRACKED, IDB_GLASS_BREAKING, IDB_GLASS_SHATTERED,
                    IDB_GLASS_BROKEN}) {
        HANDLE image =
            LoadImageW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0);
        if (bits(static_cast<HBITMAP>(image)) == bits(bitmap))
            found = id;
        DeleteObject(image);
    }
    return found;
}

// The bitmap the graphic shows on the screen.
UINT ShownGlass(HWND graphic)
{
    POINT at = {0, 0};
    ClientToScreen(graphic, &at);
    HDC screen = GetDC(NULL), dc = CreateCompatibleDC(screen);
    HBITMAP shot = CreateCompatibleBitmap(screen, 48, 48);
    HGDIOBJ old = SelectObject(dc, shot);
    BitBlt(dc, 0, 0, 48, 48, screen, at.x, at.y, SRCCOPY);
    SelectObject(dc, old);
    const UINT id = GlassId(shot);
    DeleteObject(shot);
    DeleteDC(dc);
    ReleaseDC(NULL, screen);
    return id;
}

// What the dialog's thread did, each entry once handled: a trackbar message with the timeout
// stored and the reloads counted, or an image set on the graphic with its time.
struct Event {
    UINT message, value;
    uint32_t reloads;
    DWORD tick;
};
std::mutex g_lock;
HWND g_watched;
std::vector<Event> g_events;

LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPRETSTRUCT* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    Event event = {m->message, 0, 0, GetTickCount()};
    if (m->message == WM_HSCROLL && m->hwnd == g_watched) {
        event.value = Stored(RightClickTimeoutName);
        event.reloads = Driver().reloads;
    } else if (m->message == STM_SETIMAGE && m->lParam && GetParent(m->hwnd) == g_watched) {
        event.value = GlassId(reinterpret_cast<HBITMAP>(m->lParam));
    } else {
        return CallNextHookEx(NULL, code, wParam, lParam);
    }
    std::lock_guard<std::mutex> hold(g_lock);
    g_events.push_back(event);
    return CallNextHookEx(NULL, code, wParam, lParam);
}

class Watcher
{
  public:
    explicit Watcher(HWND dialog)
    {
        g_watched = dialog;
        g_events.clear();
        hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, Watch, NULL,
                                  GetWindowThreadProcessId(dialog, NULL));
    }
    ~Watcher()
    {
        UnhookWindowsHookEx(hook_);
    }
    std::vector<Event> Events(UINT message)
    {
        std::lock_guard<std::mutex> hold(g_lock);
        std::vector<Event> events;
        for (const Event& event : g_events)
            if (event.message == message)
                events.push_back(event);
        return events;
    }

  private:
    HHOOK hook_;
};

std::vector<std::wstring> g_sounds;
std::vector<DWORD> g_beeps;
BOOL g_played;
BOOL WINAPI RecordSound(LPCWSTR name, HMODULE module, DWORD flags)
{
    const bool as =
        module == GetModuleHandleW(NULL) && flags == (SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
    g_sounds.push_back(as ? name : L"?");
    return g_played;
}
BOOL WINAPI RecordBeep(DWORD frequency, DWORD ms)
{
    g_beeps.push_back(ms == 50 ? frequency : 0);
    return TRUE;
}

class MouseHandling : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchParametersKey);
        RemoveTabletService();
        g_rightClickSeams = {PlaySoundW, Beep};
    }
};

// Stored values as the page shows them, its controls by rights, input mode and click mode, and
// the six values that Cancel writes back. The default distance follows the screen's width.
TEST_F(MouseHandling, PageShowsStoredValuesAndCancelWritesThemBack)
{
    const DWORD cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const DWORD screen[] = {cx, cy, cx == 1024 ? 12u : 15u, 47, cy == 768 ? 63u : 59u};
    ASSERT_TRUE((cx == 1024 && cy == 768) || (cx == 1280 && cy == 1024)) << cx << "x" << cy;
    const DWORD AsString = 0xFFFFFFFE;
    const struct {
        DWORD inputMode, clickMode, enable, timeout, distance; // stored; 0: mode 1, opened here
        int checked;                                           // radio button index, -1 none
        const char* enabled;                                   // 1462 1463 1464 1468
        DWORD clickModeWritten, enableWritten;
    } rows[] = {
        {1, Absent, Absent, Absent, Absent, 0, "1111", 0, 1},
        {1, 2, 7, 850, 30, 2, "1110", 2, 1},
        {1, AsString, 0, 0, 0, 0, "1111", 0, 0},
        {1, 5, 1, 2500, 80, -1, "1110", 5, 1},
        {2, 1, 1, 800, 12, 1, "0000", 1, 1},
        {0, 0, 1, 800, 12, 0, "1111", 0, 1},
    };
    const int ids[] = {IDC_CLICK_EMULATE, IDC_CLICK_ON_TOUCH, IDC_CLICK_ON_RELEASE,
                       IDC_CLICK_SETTINGS};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "input " << row.inputMode << ", click " << row.clickMode);
        DeleteTree(TouchParametersKey);
        Store(InputModeName, row.inputMode ? row.inputMode : 1);
        if (row.clickMode == AsString)
            SetString(TouchParametersKey, ClickModeName, L"1");
        else
            Store(ClickModeName, row.clickMode);
        Store(RightClickEnableName, row.enable);
        Store(RightClickTimeoutName, row.timeout);
        Store(RightClickDistanceName, row.distance);
        OpenHere(row.inputMode ? L"0" : L"1", [&](HWND sheet) {
            HWND page = ShowPage(sheet, 1);
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(row.enabled[i] == '1', IsItemEnabled(page, ids[i])) << ids[i];
                EXPECT_EQ(row.checked == i, i < 3 && IsItemChecked(page, ids[i])) << ids[i];
            }
        });
        EXPECT_EQ(row.clickModeWritten, Stored(ClickModeName));
        EXPECT_EQ(row.enableWritten, Stored(RightClickEnableName));
        EXPECT_EQ(row.timeout == Absent ? 800 : row.timeout, Stored(RightClickTimeoutName));
        EXPECT_EQ(row.distance == Absent ? screen[2] : row.distance,
                  Stored(RightClickDistanceName));
        if (row.distance == Absent) {
            EXPECT_EQ(screen[3], Stored(RightClickDistanceXName));
            EXPECT_EQ(int32_t(screen[4]), Driver().params[SimRightClickDistanceY]);
        }
    }
}

// Without administrator rights the page is disabled and neither OK nor Cancel writes.
TEST_F(MouseHandling, NonAdministratorWritesNothing)
{
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\rundll32.exe", 0, NULL, 0,
                    KEY_SET_VALUE, NULL, &key, NULL);
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"vista"), 12);
    Store(InputModeName, InputModeMouse);
    const std::wstring before = DumpTree(TouchParametersKey);
    const uint32_t reloads = Driver().reloads;
    for (int button : {PSBTN_OK, PSBTN_CANCEL}) {
        BoxWatcher boxes(L"Touch Screen", IDYES);
        HANDLE process = StartProcess(RundllCommand(TQ_APPLET_CPL, NULL), true);
        HWND sheet = WaitForSheet(GetProcessId(process), 15000);
        ASSERT_TRUE(sheet != NULL);
        HWND page = ShowPage(sheet, 1);
        for (int id :
             {IDC_CLICK_EMULATE, IDC_CLICK_ON_TOUCH, IDC_CLICK_ON_RELEASE, IDC_CLICK_SETTINGS})
            EXPECT_FALSE(IsItemEnabled(page, id)) << id;
        PressSheetButton(sheet, button);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 15000));
        CloseHandle(process);
    }
    RegDeleteValueW(key, L"Version");
    RegCloseKey(key);
    EXPECT_EQ(before, DumpTree(TouchParametersKey));
    EXPECT_EQ(reloads, Driver().reloads);
}

TEST_F(MouseHandling, RadioButtonsWriteAtOnce)
{
    Store(InputModeName, InputModeMouse);
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        ASSERT_TRUE(SimResetCounters(0));
        EXPECT_FALSE(IsItemEnabled(sheet, ApplyButton));
        const int steps[] = {IDC_CLICK_ON_RELEASE, IDC_CLICK_ON_TOUCH, IDC_CLICK_EMULATE,
                             IDC_CLICK_ON_RELEASE};
        for (uint32_t n = 0; n < 4; ++n) {
            const int32_t mode = steps[n] - IDC_CLICK_EMULATE;
            ClickItem(page, steps[n]);
            EXPECT_TRUE(WaitUntil([&] { return Driver().reloads == n + 1; }, 10000, false));
            EXPECT_EQ(mode, Driver().params[SimClickMode]);
            for (int id : {IDC_CLICK_EMULATE, IDC_CLICK_ON_TOUCH, IDC_CLICK_ON_RELEASE})
                EXPECT_EQ(id == steps[n], IsItemChecked(page, id)) << id;
            EXPECT_EQ(mode == 0, IsItemEnabled(page, IDC_CLICK_SETTINGS));
            EXPECT_TRUE(IsItemEnabled(sheet, ApplyButton));
        }
    });
    EXPECT_EQ(0u, Stored(ClickModeName)); // Cancel: the committed mode
}

// An arrow at the distance's end writes nothing; the distance trackbar to 0, then arrow keys
// move the time trackbar from 8 to 12: every move writes and reloads, and the time stays 850
// until its own trackbar moves. Each way of cancelling writes back what the dialog started with
// and leaves the page unchanged.
TEST_F(MouseHandling, TrackbarsWriteEveryMessageAndCancelRestores)
{
    Store(InputModeName, InputModeMouse);
    Store(RightClickTimeoutName, 850);
    Store(RightClickDistanceName, 60);
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        for (int way = 0; way < 3; ++way) {
            HWND dialog = OpenSettings(page);
            ASSERT_TRUE(dialog != NULL);
            EXPECT_EQ(8, TrackbarPosition(dialog, IDC_RC_TIME));
            EXPECT_EQ(50, TrackbarPosition(dialog, IDC_RC_DISTANCE));
            Watcher watcher(dialog);
            const uint32_t reloads = Driver().reloads;
            PressKeys(GetDlgItem(dialog, IDC_RC_DISTANCE), VK_RIGHT, 1);
            PressKeys(GetDlgItem(dialog, IDC_RC_DISTANCE), VK_HOME, 1);
            EXPECT_TRUE(WaitUntil([&] { return Driver().params[SimRightClickDistanceX] == 0; },
                                  5000, false));
            EXPECT_EQ(0, Driver().params[SimRightClickDistanceY]);
            PressKeys(GetDlgItem(dialog, IDC_RC_TIME), VK_RIGHT, 4);
            EXPECT_TRUE(
                WaitUntil([&] { return Stored(RightClickTimeoutName) == 1200; }, 5000, false));
            Sleep(200);
            const std::vector<Event> scrolls = watcher.Events(WM_HSCROLL);
            std::vector<DWORD> passed;
            for (size_t i = 0; i < scrolls.size(); ++i) {
                if (passed.empty() || passed.back() != scrolls[i].value)
                    passed.push_back(scrolls[i].value);
            }
            EXPECT_EQ(std::vector<DWORD>({850, 900, 1000, 1100, 1200}), passed);
            EXPECT_EQ(reloads + 5, Driver().reloads); // the distance once, the time four times
            if (way == 0)
                ClickItem(dialog, IDCANCEL);
            else if (way == 1)
                PressKeys(dialog, VK_ESCAPE, 1);
            else
                PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            EXPECT_TRUE(WaitGone(dialog, 5000)) << way;
            EXPECT_EQ(850u, Stored(RightClickTimeoutName)) << way;
            EXPECT_EQ(60u, Stored(RightClickDistanceName)) << way;
            EXPECT_EQ(int32_t(60 * 4095 / GetSystemMetrics(SM_CYSCREEN)),
                      Driver().params[SimRightClickDistanceY]);
            EXPECT_FALSE(IsItemEnabled(sheet, ApplyButton)) << way;
        }
    });
}

// OK hands the dialog's values to the page, which is then modified; the sheet's Cancel writes the
// page's committed copies.
TEST_F(MouseHandling, OkHandsTheValuesToThePage)
{
    Store(InputModeName, InputModeMouse);
    OpenHere(L"0", [&](HWND sheet) {
        HWND page = ShowPage(sheet, 1);
        for (int run = 0; run < 2; ++run) {
            HWND dialog = OpenSettings(page);
            ASSERT_TRUE(dialog != NULL);
            EXPECT_EQ(8 + run, TrackbarPosition(dialog, IDC_RC_TIME));
            if (run == 0)
                PressKeys(GetDlgItem(dialog, IDC_RC_TIME), VK_RIGHT, 1);
            EXPECT_TRUE(
                WaitUntil([&] { return Stored(RightClickTimeoutName) == 900; }, 5000, false));
            ClickItem(dialog, run == 0 ? IDOK : IDCANCEL);
            EXPECT_TRUE(WaitGone(dialog, 5000));
            // The page marks itself changed only once the dialog's modal loop has returned.
            EXPECT_TRUE(WaitUntil([&] { return IsItemEnabled(sheet, ApplyButton); }, 5000, false));
        }
    });
    EXPECT_EQ(800u, Stored(RightClickTimeoutName));
}

// The check box switches the fifteen other controls and the graphic; right clicks on the
// graphic, edges included, break it with the sound (or four beeps when that fails) and a short
// animation, and mend it silently.
TEST_F(MouseHandling, CheckBoxAndTestGraphic)
{
    Store(InputModeName, InputModeMouse);
    g_rightClickSeams = {RecordSound, RecordBeep};
    for (BOOL played : {TRUE, FALSE}) {
        g_played = played;
        g_sounds.clear();
        g_beeps.clear();
        OpenHere(L"0", [&](HWND sheet) {
            HWND dialog = OpenSettings(ShowPage(sheet, 1));
            ASSERT_TRUE(dialog != NULL);
            Watcher watcher(dialog);
            HWND graphic = GetDlgItem(dialog, IDC_RC_GRAPHIC);
            RECT r, b;
            GetWindowRect(graphic, &r);
            GetWindowRect(GetDlgItem(dialog, IDC_RC_ENABLE), &b);
            Click(b.left + 6, (b.top + b.bottom) / 2);
            EXPECT_TRUE(
                WaitUntil([&] { return Driver().params[SimRightClickEnable] == 0; }, 5000, false));
            for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                const int id = GetDlgCtrlID(c);
                EXPECT_EQ(id == IDC_RC_ENABLE || id == IDOK || id == IDCANCEL, !!IsWindowEnabled(c))
                    << id;
            }
            RightClick({(r.left + r.right) / 2, (r.top + r.bottom) / 2}); // switched off
            Click(b.left + 6, (b.top + b.bottom) / 2);
            RightClick({r.right + 1, r.bottom});
            RightClick({r.left - 1, r.top});
            RightClick({r.right, r.bottom}); // on the border in the dialog's coordinates
            // Quick hands: the second press and hold comes as a double click, and mends the glass.
            RightClick({r.right, r.bottom});
            auto frames = [&] { return watcher.Events(STM_SETIMAGE); };
            EXPECT_TRUE(WaitUntil([&] { return frames().size() == 5; }, 10000, false));
            EXPECT_EQ(1, Driver().params[SimRightClickEnable]);
            EXPECT_TRUE(WaitUntil([&] { return ShownGlass(graphic) == IDB_GLASS; }, 3000, false));
            std::vector<UINT> ids;
            for (const Event& frame : frames())
                ids.push_back(frame.value);
            EXPECT_EQ(std::vector<UINT>({IDB_GLASS_CRACKED, IDB_GLASS_BREAKING, IDB_GLASS_SHATTERED,
                                         IDB_GLASS_BROKEN, IDB_GLASS}),
                      ids);
            const DWORD gaps[] = {495, 45, 45};
            for (size_t i = 0; i < 3 && ids.size() == 5; ++i)
                EXPECT_GE(frames()[i + 1].tick - frames()[i].tick, gaps[i]) << i;
            ClickItem(dialog, IDCANCEL);
            WaitGone(dialog, 5000);
        });
        EXPECT_EQ(std::vector<std::wstring>({L"BROKENGLASS"}), g_sounds);
        EXPECT_EQ(played ? std::vector<DWORD>() : std::vector<DWORD>({4500, 5500, 3500, 6500}),
                  g_beeps);
    }
    g_rightClickSeams = {PlaySoundW, Beep};
}

// Which way PlaySound went shows only in Wine's winmm trace: ctest's test_applet_sound runs this
// with the trace on and looks for the resource played from memory.
TEST_F(MouseHandling, BreakingGlassPlaysTheSoundResource)
{
    wchar_t trace[256] = L"";
    GetEnvironmentVariableW(L"WINEDEBUG", trace, 256);
    if (!wcsstr(trace, L"winmm"))
        GTEST_SKIP() << "needs WINEDEBUG=+winmm (ctest test_applet_sound)";
    Store(InputModeName, InputModeMouse);
    OpenHere(L"0", [&](HWND sheet) {
        HWND dialog = OpenSettings(ShowPage(sheet, 1));
        ASSERT_TRUE(dialog != NULL);
        Watcher watcher(dialog);
        RECT r;
        GetWindowRect(GetDlgItem(dialog, IDC_RC_GRAPHIC), &r);
        RightClick({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
        EXPECT_TRUE(
            WaitUntil([&] { return watcher.Events(STM_SETIMAGE).size() == 4; }, 10000, false));
        ClickItem(dialog, IDCANCEL);
        WaitGone(dialog, 5000);
    });
}

} // namespace
