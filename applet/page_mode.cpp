#include "page_mode.h"

#include "applet_services.h"
#include "input_mode.h"
#include "resource.h"
#include "system_folder.h"
#include "tq_registry.h"

static const wchar_t* const TabletInputServiceName = L"TabletInputService";
static const UINT_PTR StatusTimer = 1;
static const UINT StatusPeriodMs = 500;
// The longest the sheet waits for the Tablet PC input service to start: its thread is held.
static const DWORD ServiceStartBoundMs = 30000;

static DWORD g_currentInputMode = 0;

DWORD CurrentInputMode()
{
    return g_currentInputMode;
}

void PublishInputMode(DWORD mode)
{
    g_currentInputMode = mode;
}

namespace
{
class WaitCursor
{
  public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(NULL, IDC_WAIT))) {}
    ~WaitCursor()
    {
        SetCursor(previous_);
    }

  private:
    HCURSOR previous_;
};
} // namespace

static bool IsTabletServiceInstalled()
{
    SC_HANDLE manager = OpenSCManagerW(NULL, NULL, GENERIC_READ);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceW(manager, TabletInputServiceName, GENERIC_READ);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != NULL;
}

static bool QueryStatus(SC_HANDLE service, SERVICE_STATUS_PROCESS* status)
{
    DWORD needed = 0;
    return QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(status),
                                sizeof(*status), &needed) != FALSE;
}

bool StartTabletInputService()
{
    SC_HANDLE manager = OpenSCManagerW(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service =
        manager ? OpenServiceW(manager, TabletInputServiceName, SERVICE_ALL_ACCESS) : NULL;
    bool running = false;
    if (service && !StartServiceW(service, 0, NULL)) {
        running = GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
    } else if (service) {
        SERVICE_STATUS_PROCESS status;
        if (QueryStatus(service, &status)) {
            const DWORD started = GetTickCount();
            DWORD since = started;
            DWORD checkPoint = status.dwCheckPoint;
            while (status.dwCurrentState == SERVICE_START_PENDING) {
                // A service may report progress for ever; past the bound it is left to itself.
                const DWORD spent = GetTickCount() - started;
                if (spent >= ServiceStartBoundMs)
                    break;
                DWORD wait = status.dwWaitHint / 10;
                wait = wait < 1000 ? 1000 : wait > 10000 ? 10000 : wait;
                Sleep(wait < ServiceStartBoundMs - spent ? wait : ServiceStartBoundMs - spent);
                if (!QueryStatus(service, &status))
                    break;
                if (status.dwCheckPoint > checkPoint) {
                    checkPoint = status.dwCheckPoint;
                    since = GetTickCount();
                } else if (GetTickCount() - since > status.dwWaitHint) {
                    break;
                }
            }
            running = status.dwCurrentState == SERVICE_RUNNING;
        }
    }
    if (service)
        CloseServiceHandle(service);
    if (manager)
        CloseServiceHandle(manager);
    return running;
}

// A mode not set stands for Windows touch where the Tablet PC input service is installed.
static DWORD EffectiveMode(DWORD mode, bool servicePresent)
{
    if (mode != InputModeDefault)
        return mode;
    return servicePresent ? InputModeWindowsTouch : InputModeMouse;
}

// Read as the sheet is built, so that the pages that follow the mode know it on whichever page
// the sheet opens; this page shows what was read here.
CPageModeDlg::CPageModeDlg() : PropertyPage(IDD_MODE)
{
    HKEY key;
    if (OpenRegKey(TouchParametersKey, KEY_QUERY_VALUE, &key)) {
        ReadDwordStrict(key, InputModeName, &mode_);
        RegCloseKey(key);
    }
    committedMode_ = mode_;
    PublishInputMode(EffectiveMode(mode_, IsTabletServiceInstalled()));
}

BOOL CPageModeDlg::OnSetActive()
{
    servicePresent_ = IsTabletServiceInstalled();
    mode_ = EffectiveMode(mode_, servicePresent_);
    PublishInputMode(mode_);
    if (mode_ == InputModeMouse || mode_ == InputModeWindowsTouch) {
        CheckItem(IDC_MODE_MOUSE, mode_ == InputModeMouse);
        CheckItem(IDC_MODE_WINDOWS_TOUCH, mode_ == InputModeWindowsTouch);
    }
    bool admin = IsAdministrator();
    EnableItem(IDC_MODE_WINDOWS_TOUCH, admin && servicePresent_);
    EnableItem(IDC_MODE_MOUSE, admin);
    EnableItem(IDC_MODE_TABLET_SETTINGS,
               admin && servicePresent_ && mode_ == InputModeWindowsTouch);
    EnableItem(IDC_MODE_MOUSE_SETTINGS, admin && mode_ == InputModeMouse);
    if (servicePresent_) {
        RefreshStatusLine();
        SetTimer(hwnd_, StatusTimer, StatusPeriodMs, NULL);
    } else {
        wchar_t text[512];
        SetDlgItemTextW(hwnd_, IDC_MODE_STATUS, LoadText(IDS_TABLET_ONLY, text, 512));
    }
    return PropertyPage::OnSetActive();
}

BOOL CPageModeDlg::OnKillActive()
{
    KillTimer(hwnd_, StatusTimer);
    return PropertyPage::OnKillActive();
}

void CPageModeDlg::OnOK()
{
    committedMode_ = mode_;
    WriteInputMode();
}

void CPageModeDlg::OnCancel()
{
    mode_ = committedMode_;
    PublishInputMode(mode_);
    WriteInputMode();
}

bool CPageModeDlg::WriteInputMode()
{
    const DwordValue value = {InputModeName, mode_};
    return WriteSettings(TouchParametersKey, &value, 1);
}

void CPageModeDlg::ChooseWindowsTouch()
{
    WaitCursor wait;
    mode_ = InputModeWindowsTouch;
    PublishInputMode(mode_);
    if (WriteInputMode())
        StartTabletInputService();
    CheckItem(IDC_MODE_MOUSE, false);
    EnableItem(IDC_MODE_TABLET_SETTINGS, true);
    EnableItem(IDC_MODE_MOUSE_SETTINGS, false);
    StatusFollowsMode();
    SetModified();
}

void CPageModeDlg::ChooseMouse()
{
    WaitCursor wait;
    mode_ = InputModeMouse;
    PublishInputMode(mode_);
    WriteInputMode();
    CheckItem(IDC_MODE_WINDOWS_TOUCH, false);
    EnableItem(IDC_MODE_TABLET_SETTINGS, false);
    EnableItem(IDC_MODE_MOUSE_SETTINGS, true);
    StatusFollowsMode();
    SetModified();
}

// At once rather than at the next tick, and repainted, as its colour may change with the same
// text (or with no tick at all, without the service).
void CPageModeDlg::StatusFollowsMode()
{
    if (servicePresent_)
        RefreshStatusLine();
    InvalidateRect(Item(IDC_MODE_STATUS), NULL, TRUE);
}

bool CPageModeDlg::TouchInputMissing() const
{
    return mode_ == InputModeWindowsTouch && g_appletSeams.getSystemMetrics(SM_TABLETPC) == 0;
}

void CPageModeDlg::RefreshStatusLine()
{
    wchar_t wanted[512] = L"";
    if (TouchInputMissing())
        LoadText(IDS_NO_TOUCH_INPUT, wanted, 512);
    wchar_t shown[512];
    GetDlgItemTextW(hwnd_, IDC_MODE_STATUS, shown, 512);
    // Setting the same text again would repaint the line twice a second.
    if (wcscmp(shown, wanted) != 0)
        SetDlgItemTextW(hwnd_, IDC_MODE_STATUS, wanted);
}

// A Control Panel page of the system; neither waited for nor reported when it fails to start.
static void StartControlPanel(HWND owner, const wchar_t* parameters)
{
    wchar_t program[MAX_PATH];
    if (GetSystemFilePath(L"control.exe", program))
        ShellExecuteW(owner, NULL, program, parameters, NULL, SW_SHOWNORMAL);
}

bool CPageModeDlg::OnCommand(WORD id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_MODE_WINDOWS_TOUCH:
        ChooseWindowsTouch();
        return true;
    case IDC_MODE_MOUSE:
        ChooseMouse();
        return true;
    case IDC_MODE_TABLET_SETTINGS:
        if (g_appletSeams.getSystemMetrics(SM_TABLETPC) == 0) {
            wchar_t text[512];
            ShowMessageBox(hwnd_, LoadText(IDS_TABLET_NOT_STARTED, text, 512),
                           MB_OK | MB_ICONINFORMATION);
        }
        StartControlPanel(hwnd_, L"/name Microsoft.TabletPCSettings");
        return true;
    case IDC_MODE_MOUSE_SETTINGS:
        StartControlPanel(hwnd_, L"mouse");
        return true;
    }
    return false;
}

bool CPageModeDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result)
{
    if (message == WM_TIMER) {
        RefreshStatusLine();
        *result = 0;
        return true;
    }
    if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == Item(IDC_MODE_STATUS) &&
        !colouring_ && TouchInputMissing()) {
        // The dialog's own answer first, through every handler it has: on a themed sheet that
        // is the page's texture, which DefWindowProc would paint over in grey. Then only the
        // text turns red.
        colouring_ = true;
        *result = static_cast<INT_PTR>(SendMessageW(hwnd_, message, wParam, lParam));
        colouring_ = false;
        SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 0, 0));
        return true;
    }
    return false;
}
