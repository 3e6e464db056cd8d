// The demo's walk through the Control Panel item as a person takes it: opens the Control Panel,
// double-clicks "Touch Screen", visits every page with real clicks, changes the input mode and
// the click mode, breaks and mends the glass in the press-and-hold dialog, resets the first
// screen's calibration, and saves a picture of each screen. Cancel closes the sheet at the end,
// so the settings are as before (the reset calibration excepted).
#include <windows.h>
#include <commctrl.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "calib_drive.h"
#include "resource.h"

namespace
{

struct Search {
    DWORD process;
    const wchar_t* childClass;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param)
{
    Search* s = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((s->process && owner != s->process) || !IsWindowVisible(window) ||
        !FindWindowExW(window, NULL, s->childClass, NULL))
        return TRUE;
    s->found = window;
    return FALSE;
}

// A visible top-level window of the process (0: of any) with a child of the class.
HWND FindTopLevel(DWORD process, const wchar_t* childClass)
{
    Search search = {process, childClass, NULL};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopLevel(DWORD process, const wchar_t* childClass)
{
    HWND window = NULL;
    WaitUntil([&] { return (window = FindTopLevel(process, childClass)) != NULL; }, 15000, false);
    return window;
}

// The pictures: each screen cut to the windows it shows.
class Camera
{
  public:
    explicit Camera(const std::wstring& folder) : folder_(folder) {}
    bool Take(const wchar_t* name, HWND window, HWND over = NULL)
    {
        // Painting after a click happens on the other process's thread.
        Sleep(600);
        RECT area, other;
        if (!GetWindowRect(window, &area)) {
            fprintf(stderr, "tour: no window to picture for %ls\n", name);
            return false;
        }
        if (over && GetWindowRect(over, &other))
            UnionRect(&area, &area, &other);
        ScreenShot screen, cut;
        if (!CaptureScreen(&screen))
            return false;
        area.left = std::max(area.left, 0L);
        area.top = std::max(area.top, 0L);
        area.right = std::min(area.right, static_cast<LONG>(screen.width));
        area.bottom = std::min(area.bottom, static_cast<LONG>(screen.height));
        cut.width = area.right - area.left;
        cut.height = area.bottom - area.top;
        for (int y = area.top; y < area.bottom; ++y) {
            const uint32_t* row = &screen.pixels[static_cast<size_t>(y) * screen.width];
            cut.pixels.insert(cut.pixels.end(), row + area.left, row + area.right);
        }
        const std::wstring path = folder_ + L"\\" + name + L".bmp";
        printf("%ls.png\n", name);
        return SaveBitmap(cut, path.c_str());
    }

  private:
    std::wstring folder_;
};

POINT Centre(const RECT& r)
{
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickControl(HWND dialog, int id)
{
    RECT r;
    if (!GetWindowRect(GetDlgItem(dialog, id), &r)) {
        fprintf(stderr, "tour: no control %d to click\n", id);
        return;
    }
    // A check box or radio button reacts to a click on its box, at the left.
    Click(r.left + 6, (r.top + r.bottom) / 2);
}

void RightClick(int x, int y)
{
    MovePointer(x, y);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

HWND ShowTab(HWND sheet, int index)
{
    HWND tabs = FindWindowExW(sheet, NULL, WC_TABCONTROLW, NULL);
    RECT r;
    if (ItemScreenRect(tabs, TCM_GETITEMRECT, index, &r)) {
        const POINT c = Centre(r);
        Click(c.x, c.y);
    }
    // The page is created inside the tab's notification, which takes our messages meanwhile:
    // it is there once it is the current page and shows.
    HWND page = NULL;
    WaitUntil(
        [&] {
            page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
            return page && IsWindowVisible(page) &&
                   page == reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        },
        5000, false);
    return page;
}

bool WaitChecked(HWND dialog, int id)
{
    return WaitUntil([&] { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }, 5000, false);
}

// The press-and-hold dialog: its pictures, the glass broken by a right click and mended by a
// second one, then Cancel.
bool TourPressAndHold(Camera& camera, HWND page, DWORD process)
{
    ClickControl(page, IDC_CLICK_SETTINGS);
    HWND dialog = NULL;
    WaitUntil(
        [&] {
            dialog = FindTopLevel(process, L"msctls_trackbar32");
            return dialog != NULL;
        },
        5000, false);
    if (!dialog)
        return false;
    camera.Take(L"05-press-and-hold", dialog);
    RECT r;
    GetWindowRect(GetDlgItem(dialog, IDC_RC_GRAPHIC), &r);
    const POINT c = Centre(r);
    RightClick(c.x, c.y);
    // The breaking takes 600 ms.
    Sleep(600);
    camera.Take(L"06-glass-broken", dialog);
    RightClick(c.x, c.y);
    camera.Take(L"07-glass-mended", dialog);
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &r);
    const POINT cancel = Centre(r);
    Click(cancel.x, cancel.y);
    return WaitUntil([&] { return !IsWindow(dialog); }, 5000, false);
}

bool Tour(Camera& camera, const std::wstring& itemName)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION control = {};
    wchar_t commandLine[] = L"control.exe";
    if (!CreateProcessW(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &control)) {
        fprintf(stderr, "tour: control.exe does not start (%lu)\n", GetLastError());
        return false;
    }
    const DWORD process = control.dwProcessId;
    HWND panel = WaitForTopLevel(process, WC_LISTVIEWW);
    HWND list = panel ? FindWindowExW(panel, NULL, WC_LISTVIEWW, NULL) : NULL;
    const std::vector<std::wstring> items = ListViewItems(list);
    const int item =
        static_cast<int>(std::find(items.begin(), items.end(), itemName) - items.begin());
    RECT r;
    bool ok = item < static_cast<int>(items.size()) &&
              ItemScreenRect(list, LVM_GETITEMRECT, item, &r);
    if (!ok)
        fprintf(stderr, "tour: the Control Panel does not list \"%ls\"\n", itemName.c_str());
    HWND sheet = NULL;
    if (ok) {
        camera.Take(L"00-control-panel", panel);
        const POINT c = Centre(r);
        DoubleClick(c.x, c.y);
        // The Control Panel opens its items in a process of their own (rundll32).
        sheet = WaitForTopLevel(0, WC_TABCONTROLW);
        ok = sheet != NULL;
        if (!ok)
            fprintf(stderr, "tour: no property sheet after the double-click\n");
    }
    if (ok) {
        SetForegroundWindow(sheet);
        HWND page = ShowTab(sheet, 0);
        camera.Take(L"01-mode", sheet);
        // Windows touch is offered only where the Tablet PC input service exists.
        if (IsWindowEnabled(GetDlgItem(page, IDC_MODE_WINDOWS_TOUCH))) {
            ClickControl(page, IDC_MODE_WINDOWS_TOUCH);
            WaitChecked(page, IDC_MODE_WINDOWS_TOUCH);
            camera.Take(L"02-mode-windows-touch", sheet);
            ClickControl(page, IDC_MODE_MOUSE);
            WaitChecked(page, IDC_MODE_MOUSE);
        }
        page = ShowTab(sheet, 1);
        camera.Take(L"03-mouse-handling", sheet);
        ClickControl(page, IDC_CLICK_ON_RELEASE);
        WaitChecked(page, IDC_CLICK_ON_RELEASE);
        camera.Take(L"04-click-on-release", sheet);
        // The press-and-hold settings belong to the emulated mouse.
        ClickControl(page, IDC_CLICK_EMULATE);
        WaitChecked(page, IDC_CLICK_EMULATE);
        DWORD sheetProcess = 0;
        GetWindowThreadProcessId(sheet, &sheetProcess);
        ok = TourPressAndHold(camera, page, sheetProcess);
        ShowTab(sheet, 2);
        camera.Take(L"08-calibration", sheet);
        ShowTab(sheet, 3);
        camera.Take(L"09-options", sheet);
        page = ShowTab(sheet, 4);
        HWND devices = GetDlgItem(page, IDC_HW_LIST);
        if (ItemScreenRect(devices, LVM_GETITEMRECT, 0, &r)) {
            const POINT c = Centre(r);
            Click(c.x, c.y);
        }
        camera.Take(L"10-hardware", sheet);
        ClickControl(page, IDC_HW_RESET);
        camera.Take(L"11-hardware-reset", sheet);
        ShowTab(sheet, 5);
        camera.Take(L"12-about", sheet);
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        ok = WaitUntil([&] { return !IsWindow(sheet); }, 10000, false) && ok;
    }
    if (panel)
        PostMessageW(panel, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(control.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(control.hProcess, 1);
        ok = false;
    }
    CloseHandle(control.hProcess);
    CloseHandle(control.hThread);
    return ok;
}

} // namespace

// Usage: applet_tour CPL SHOTS_FOLDER
int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: applet_tour CPL SHOTS_FOLDER\n");
        return 2;
    }
    // The item's name in the user's language, as the Control Panel lists it.
    HMODULE cpl = LoadLibraryExW(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
    wchar_t name[128] = L"";
    if (!cpl || !LoadStringW(cpl, IDS_APP_NAME, name, 128)) {
        fprintf(stderr, "tour: cannot read the item's name from %ls\n", argv[1]);
        return 1;
    }
    FreeLibrary(cpl);
    Camera camera(argv[2]);
    if (!Tour(camera, name)) {
        fprintf(stderr, "tour: the walk through the Control Panel item did not complete\n");
        return 1;
    }
    return 0;
}
