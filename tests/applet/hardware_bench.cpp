// Benchmark, not a test: one device enumeration of the Hardware page with four simulated
// devices, the list rebuilt as after the selection program, and the whole round trip through
// the selection stand-in, beside opening and closing one device. Prints milliseconds.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <vector>

#include "dialog.h"
#include "dialog_template.h"
#include "page_hardware.h"
#include "sim_client.h"

static double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename F> static double Average(int runs, F f)
{
    const double start = Now();
    for (int i = 0; i < runs; ++i)
        f();
    return (Now() - start) / runs;
}

static void PumpUntil(HWND button, bool enabled)
{
    MSG msg;
    while ((IsWindowEnabled(button) != FALSE) != enabled) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : 200;
    // The page starts TqTouchSelect.exe from the folder of its module, here this program's.
    wchar_t standIn[MAX_PATH], select[MAX_PATH];
    GetModuleFileNameW(NULL, standIn, MAX_PATH);
    wcscpy(wcsrchr(standIn, L'\\') + 1, L"select_standin.exe");
    wcscpy(select, standIn);
    wcscpy(wcsrchr(select, L'\\') + 1, L"TqTouchSelect.exe");
    if (!CopyFileW(standIn, select, FALSE)) {
        fprintf(stderr, "select_standin.exe is missing beside this program\n");
        return 1;
    }
    if (!SimRestartDriver(0xF)) {
        fprintf(stderr, "the simulated driver did not restart with four devices\n");
        return 1;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    SetDialogModule(GetModuleHandleW(NULL));
    std::vector<BYTE> pageTemplate;
    LoadTemplateWithFont(GetModuleHandleW(NULL), IDD_HARDWARE, &pageTemplate);
    HWND parent =
        CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL, NULL, NULL);
    CPageHardwareDlg page;
    PROPSHEETPAGEW header = {};
    header.lParam = reinterpret_cast<LPARAM>(&page);
    HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(NULL), reinterpret_cast<const DLGTEMPLATE*>(pageTemplate.data()), parent,
        PropertyPage::PageProc, reinterpret_cast<LPARAM>(&header));
    NMHDR activate = {parent, 0, static_cast<UINT>(PSN_SETACTIVE)};
    SendMessageW(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&activate));

    const double openClose = Average(runs, [] { CloseHandle(OpenTouchDevice(0, GENERIC_READ)); });
    TouchDeviceInfo info[TQTOUCH_MAX_DEVICES];
    const double enumeration = Average(runs, [&] { QueryTouchDevices(info); });
    const double rebuild = Average(runs, [&] { page.RebuildDeviceList(); });
    HWND button = GetDlgItem(dialog, IDC_HW_SELECT);
    const double roundTrip = Average(5, [&] {
        SendMessageW(button, BM_CLICK, 0, 0);
        PumpUntil(button, false);
        PumpUntil(button, true);
    });
    printf("open and close one device:             %8.3f ms\n", openClose);
    printf("enumeration of four devices:           %8.3f ms\n", enumeration);
    printf("list rebuilt (enumeration and items):  %8.3f ms\n", rebuild);
    printf("Select to list rebuilt (stand-in run): %8.3f ms\n", roundTrip);
    DestroyWindow(parent);
    DeleteFileW(select);
    SimRestartDriver(SimDefaultDevices);
    return 0;
}
