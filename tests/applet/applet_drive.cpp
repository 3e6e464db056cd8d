#include "applet_drive.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winternl.h>

#include <atomic>
#include <thread>

#include "calib_drive.h"
#include "cpl_entry.h"
#include "resource.h"

static const wchar_t* const TabletService = L"TabletInputService";

void RunLikeControlPanel(APPLET_PROC applet, const wchar_t* parameters, CplAnswers* a)
{
    a->init = applet(NULL, CPL_INIT, 0, 0);
    a->count = applet(NULL, CPL_GETCOUNT, 0, 0);
    a->inquire = applet(NULL, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&a->info));
    a->start = applet(NULL, CPL_STARTWPARMSW, 0, reinterpret_cast<LPARAM>(parameters));
    if (a->start == 0)
        a->dblclk = applet(NULL, CPL_DBLCLK, 0, 0);
    a->stop = applet(NULL, CPL_STOP, 0, 0);
    a->exit = applet(NULL, CPL_EXIT, 0, 0);
}

LONG WithSheet(const std::function<LONG()>& open, const std::function<void(HWND)>& drive)
{
    std::atomic<bool> ended(false);
    std::thread driver([&] {
        // The first sheet is driven; one that opens after it (a host asking again) is cancelled.
        bool driven = false;
        const DWORD start = GetTickCount();
        while (!ended && (driven || GetTickCount() - start < 10000)) {
            HWND sheet = WaitForSheet(GetCurrentProcessId(), 0);
            if (sheet && !driven) {
                driven = true;
                drive(sheet);
            }
            if (sheet && !WaitGone(sheet, 200)) {
                PressSheetButton(sheet, PSBTN_CANCEL);
                WaitGone(sheet, 5000);
            }
            Sleep(10);
        }
    });
    LONG result = open();
    ended = true;
    driver.join();
    return result;
}

LONG OpenHere(const wchar_t* page, const std::function<void(HWND)>& drive)
{
    return WithSheet(
        [&] {
            CPlApplet(NULL, CPL_INIT, 0, 0);
            LONG result = CPlApplet(NULL, CPL_STARTWPARMSW, 0, reinterpret_cast<LPARAM>(page));
            CPlApplet(NULL, CPL_EXIT, 0, 0);
            return result;
        },
        drive);
}

struct SheetSearch {
    DWORD processId;
    HWND found;
};

static BOOL CALLBACK FindSheet(HWND window, LPARAM param)
{
    SheetSearch* search = reinterpret_cast<SheetSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[32];
    if ((search->processId && owner != search->processId) || !IsWindowVisible(window) ||
        !GetClassNameW(window, name, 32) || wcscmp(name, L"#32770") != 0 ||
        !FindWindowExW(window, NULL, WC_TABCONTROLW, NULL))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND WaitForSheet(DWORD processId, DWORD timeoutMs)
{
    SheetSearch search = {processId, NULL};
    WaitUntil(
        [&] {
            EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&search));
            return search.found != NULL;
        },
        timeoutMs, false);
    return search.found;
}

bool WaitGone(HWND window, DWORD timeoutMs)
{
    return WaitUntil([&] { return !IsWindow(window); }, timeoutMs, false);
}

HWND ShowPage(HWND sheet, int index)
{
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
}

int CurrentPage(HWND sheet)
{
    LRESULT page = SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    return static_cast<int>(SendMessageW(sheet, PSM_HWNDTOINDEX, page, 0));
}

std::vector<std::wstring> TabTitles(HWND sheet)
{
    std::vector<std::wstring> titles;
    HWND tabs = FindWindowExW(sheet, NULL, WC_TABCONTROLW, NULL);
    for (int i = 0; i < TabCtrl_GetItemCount(tabs); ++i) {
        wchar_t text[64] = L"";
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        TabCtrl_GetItem(tabs, i, &item);
        titles.push_back(text);
    }
    return titles;
}

void PressSheetButton(HWND sheet, int button)
{
    PostMessageW(sheet, PSM_PRESSBUTTON, button, 0);
}

void ClickItem(HWND dialog, int id)
{
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

std::wstring Text(HWND window)
{
    wchar_t text[1024] = L"";
    SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring ItemText(HWND dialog, int id)
{
    return Text(GetDlgItem(dialog, id));
}

bool IsItemEnabled(HWND dialog, int id)
{
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

bool IsItemChecked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

HANDLE StartProcess(const std::wstring& commandLine, bool restricted)
{
    HANDLE token = NULL, limited = NULL;
    if (restricted) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID administrators = NULL;
        AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                 0, 0, 0, 0, &administrators);
        SID_AND_ATTRIBUTES deny = {administrators, 0};
        OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token);
        CreateRestrictedToken(token, 0, 1, &deny, 0, NULL, 0, NULL, &limited);
        FreeSid(administrators);
        CloseHandle(token);
        if (!limited)
            return NULL;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring line = commandLine;
    BOOL started = restricted ? CreateProcessAsUserW(limited, NULL, &line[0], NULL, NULL, FALSE, 0,
                                                     NULL, NULL, &startup, &process)
                              : CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL,
                                               &startup, &process);
    if (limited)
        CloseHandle(limited);
    if (!started)
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::wstring RundllCommand(const std::wstring& cpl, const wchar_t* page)
{
    std::wstring line = L"C:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL " + cpl;
    if (page)
        line += std::wstring(L",@0,") + page;
    return line;
}

static SC_HANDLE OpenManager()
{
    return OpenSCManagerW(NULL, NULL, SC_MANAGER_ALL_ACCESS);
}

void InstallTabletService(DWORD pendingMs)
{
    RemoveTabletService();
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring program(self);
    program = L"\"" + program.substr(0, program.rfind(L'\\')) + L"\\tablet_service.exe\" " +
              std::to_wstring(pendingMs);
    SC_HANDLE manager = OpenManager();
    SC_HANDLE service = CreateServiceW(
        manager, TabletService, TabletService, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
        SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, program.c_str(), NULL, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(service != NULL) << GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void RemoveTabletService()
{
    SC_HANDLE manager = OpenManager();
    SC_HANDLE service = OpenServiceW(manager, TabletService, SERVICE_ALL_ACCESS);
    if (service) {
        // One that never finishes starting takes no stop control: it is told through its event.
        HANDLE stop = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"TqTabletServiceStop");
        if (stop) {
            SetEvent(stop);
            CloseHandle(stop);
        }
        SERVICE_STATUS status;
        if (stop || ControlService(service, SERVICE_CONTROL_STOP, &status))
            WaitUntil(
                [&] {
                    return QueryServiceStatus(service, &status) &&
                           status.dwCurrentState == SERVICE_STOPPED;
                },
                5000, false);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

bool IsTabletServiceRunning()
{
    SC_HANDLE manager = OpenManager();
    SC_HANDLE service = OpenServiceW(manager, TabletService, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    bool running =
        service && QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return running;
}

HWND OpenSettings(HWND page)
{
    ClickItem(page, IDC_CLICK_SETTINGS);
    HWND found = NULL;
    WaitUntil(
        [&] {
            found = FindWindowW(L"#32770", NULL);
            while (found && !(IsWindowVisible(found) && GetDlgItem(found, IDC_RC_GRAPHIC)))
                found = FindWindowExW(NULL, found, L"#32770", NULL);
            return found != NULL;
        },
        10000, false);
    return found;
}

void ExpectTextsFit(HWND window)
{
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = L"", text[512] = L"";
        GetClassNameW(c, cls, 32);
        const LONG style = GetWindowLongW(c, GWL_STYLE);
        if (!IsWindowVisible(c) || _wcsicmp(cls, L"Static") != 0 ||
            (style & SS_TYPEMASK) > SS_RIGHT || !GetWindowTextW(c, text, 512))
            continue;
        // The static wraps its text with this same measure when it paints.
        RECT client, need;
        GetClientRect(c, &client);
        need = {0, 0, client.right, 0};
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
        DrawTextW(dc, text, -1, &need,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
        SelectObject(dc, old);
        ReleaseDC(c, dc);
        EXPECT_LE(need.bottom, client.bottom) << testing::PrintToString(std::wstring(text));
    }
}

std::wstring CommandLineOf(HANDLE process)
{
    typedef NTSTATUS(NTAPI * QueryProc)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    QueryProc query = reinterpret_cast<QueryProc>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    query(process, ProcessBasicInformation, &basic, sizeof(basic), NULL);
    ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), NULL);
    ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), NULL);
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    ReadProcessMemory(process, parameters.CommandLine.Buffer, &line[0], line.size() * 2, NULL);
    return line.substr(0, line.find_last_not_of(L' ') + 1);
}
