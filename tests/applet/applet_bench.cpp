// Opening time of the Control Panel item, from CPL_DBLCLK to its first page shown and painted,
// or of a bare property sheet with five empty pages from PropertySheetW. One opening per process,
// so that each run pays what a real opening pays; scripts/bench-applet.sh takes the medians.
//   applet_bench CPL_PATH applet   |   applet_bench bare
// Prints the milliseconds.
#include <windows.h>

#include <commctrl.h>
#include <cpl.h>
#include <stdio.h>
#include <wchar.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace
{

const DWORD TimeoutMs = 20000;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

// The calls below only ask the server: nothing is sent to the sheet's thread while it is timed.
HWND FindSheet()
{
    HWND window = NULL;
    while ((window = FindWindowExW(NULL, window, L"#32770", NULL)) != NULL) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetCurrentProcessId() && IsWindowVisible(window) &&
            FindWindowExW(window, NULL, WC_TABCONTROLW, NULL))
            return window;
    }
    return NULL;
}

BOOL CALLBACK FindUnpainted(HWND control, LPARAM found)
{
    if (IsWindowVisible(control) && GetUpdateRect(control, NULL, FALSE)) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

// Shown, and no update region left on the page or on any of its controls.
bool Painted(HWND page)
{
    if (!IsWindowVisible(page) || GetUpdateRect(page, NULL, FALSE))
        return false;
    bool unpainted = false;
    EnumChildWindows(page, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
    return !unpainted;
}

// Runs open() on this thread (it runs the modal sheet) and times it until the sheet's first
// page is painted; the sheet is then cancelled.
int Measure(const std::function<void()>& open)
{
    std::atomic<bool> returned(false);
    bool painted = false;
    LARGE_INTEGER start = {}, end = {};
    std::thread watcher([&] {
        const DWORD began = GetTickCount();
        while (!returned && GetTickCount() - began < TimeoutMs) {
            HWND sheet = FindSheet();
            HWND page = sheet ? FindWindowExW(sheet, NULL, L"#32770", NULL) : NULL;
            if (page && Painted(page)) {
                QueryPerformanceCounter(&end);
                // Timing is over: the sheet may be asked now.
                LRESULT index = -1;
                SendMessageTimeoutW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0,
                                    SMTO_ABORTIFHUNG, 5000, reinterpret_cast<DWORD_PTR*>(&index));
                painted = index == 0;
                if (!painted)
                    fprintf(stderr, "applet_bench: the page shown is page %d, not the first\n",
                            static_cast<int>(index));
                PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                return;
            }
            Sleep(1);
        }
        if (!returned) {
            fprintf(stderr, "applet_bench: no painted sheet within %lu ms\n", TimeoutMs);
            fflush(stderr);
            ExitProcess(1);
        }
    });
    QueryPerformanceCounter(&start);
    open();
    returned = true;
    watcher.join();
    if (!painted) {
        fprintf(stderr, "applet_bench: the sheet closed before its first page was painted\n");
        return 1;
    }
    printf("%.1f\n", Milliseconds(start, end));
    return 0;
}

int OpenApplet(const wchar_t* path)
{
    HMODULE module = LoadLibraryW(path);
    APPLET_PROC applet = module ? reinterpret_cast<APPLET_PROC>(
                                      reinterpret_cast<void*>(GetProcAddress(module, "CPlApplet")))
                                : NULL;
    if (!applet) {
        fprintf(stderr, "applet_bench: no CPlApplet in %ls (error %lu)\n", path, GetLastError());
        return 1;
    }
    CPLINFO info = {};
    if (!applet(NULL, CPL_INIT, 0, 0) || applet(NULL, CPL_GETCOUNT, 0, 0) < 1 ||
        applet(NULL, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)) != 0) {
        fprintf(stderr, "applet_bench: the item refused CPL_INIT, CPL_GETCOUNT or CPL_INQUIRE\n");
        return 1;
    }
    const int result = Measure([&] { applet(NULL, CPL_DBLCLK, 0, info.lData); });
    applet(NULL, CPL_STOP, 0, info.lData);
    applet(NULL, CPL_EXIT, 0, 0);
    FreeLibrary(module);
    return result;
}

// An empty page like the item's: 290 x 185 dialog units, Tahoma 8, no controls.
std::vector<WORD> EmptyPage(const wchar_t* title)
{
    std::vector<WORD> words((sizeof(DLGTEMPLATE) + 1) / sizeof(WORD), 0);
    DLGTEMPLATE* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = DS_SETFONT | WS_CHILD | WS_DISABLED | WS_CAPTION;
    header->cx = 290;
    header->cy = 185;
    words.push_back(0); // no menu
    words.push_back(0); // the dialog class
    for (const wchar_t* c = title; *c; ++c)
        words.push_back(*c);
    words.push_back(0);
    words.push_back(8);
    for (const wchar_t* c = L"Tahoma"; *c; ++c)
        words.push_back(*c);
    words.push_back(0);
    return words;
}

INT_PTR CALLBACK EmptyPageProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

int OpenBare()
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    static const wchar_t* const Titles[] = {L"1", L"2", L"3", L"4", L"5"};
    std::vector<std::vector<WORD>> templates;
    std::vector<PROPSHEETPAGEW> pages;
    for (const wchar_t* title : Titles)
        templates.push_back(EmptyPage(title));
    for (const std::vector<WORD>& words : templates) {
        PROPSHEETPAGEW page = {};
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DLGINDIRECT;
        page.hInstance = GetModuleHandleW(NULL);
        page.pResource = reinterpret_cast<const DLGTEMPLATE*>(words.data());
        page.pfnDlgProc = EmptyPageProc;
        pages.push_back(page);
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE;
    header.hInstance = GetModuleHandleW(NULL);
    header.pszCaption = L"Bare sheet";
    header.nPages = static_cast<UINT>(pages.size());
    header.ppsp = pages.data();
    return Measure([&] { PropertySheetW(&header); });
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 3 && wcscmp(argv[2], L"applet") == 0)
        return OpenApplet(argv[1]);
    if (argc == 2 && wcscmp(argv[1], L"bare") == 0)
        return OpenBare();
    fprintf(stderr, "usage: applet_bench CPL_PATH applet | applet_bench bare\n");
    return 2;
}
