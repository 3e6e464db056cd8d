// Benchmark, not a test: from the click on "&Calibrate..." of the Calibration page to the first
// painted mark of TqTouchCalib.exe, beside the program started alone the same way. Prints the
// medians in milliseconds. Needs a harness with the simulated driver.
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>
#include <stdio.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "calib_drive.h"
#include "cpl_entry.h"
#include "resource.h"
#include "tq_registry.h"

static double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

static double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Waits for the first mark, then closes the program and waits until its window is gone.
static double UntilFirstMark(double start)
{
    ScreenShot shot;
    POINT mark;
    while (!CaptureScreen(&shot) || !FindMark(shot, &mark))
        Sleep(1);
    const double elapsed = Now() - start;
    HWND window = FindWindowW(L"TQTOUCHCALIB", NULL);
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process) {
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
    // The next run must not find this run's mark before the desktop repaints it away.
    const double closed = Now();
    while ((CaptureScreen(&shot) && FindMark(shot, &mark)) && Now() - closed < 5000)
        Sleep(10);
    return elapsed;
}

static BOOL CALLBACK FindSheet(HWND window, LPARAM found)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() || !IsWindowVisible(window) ||
        !FindWindowExW(window, NULL, WC_TABCONTROLW, NULL))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : 9;
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(NULL, program, MAX_PATH);
    wcscpy(wcsrchr(program, L'\\') + 1, L"TqTouchCalib.exe");
    HKEY key;
    if (!CopyFileW(TQ_BENCH_CALIB_EXE, program, FALSE) ||
        !CreateRegKey(TouchParametersKey, KEY_SET_VALUE, &key)) {
        fprintf(stderr, "cannot place TqTouchCalib.exe or write the parameters\n");
        return 1;
    }
    WriteDword(key, InputModeName, InputModeMouse);
    RegCloseKey(key);

    std::vector<double> fromPage, alone;
    std::thread driver([&] {
        HWND sheet = NULL;
        while (!sheet) {
            EnumWindows(FindSheet, reinterpret_cast<LPARAM>(&sheet));
            Sleep(10);
        }
        SendMessageW(sheet, PSM_SETCURSEL, 0, 0); // the Mode page publishes the input mode
        SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
        HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_INDEXTOHWND, 2, 0));
        for (int i = 0; i < runs; ++i) {
            const double start = Now();
            PostMessageW(GetDlgItem(page, IDC_CALIBRATE), BM_CLICK, 0, 0);
            fromPage.push_back(UntilFirstMark(start));
            SendMessageW(sheet, WM_NULL, 0, 0); // the sheet's thread is back
        }
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    CPlApplet(NULL, CPL_INIT, 0, 0);
    CPlApplet(NULL, CPL_STARTWPARMSW, 0, reinterpret_cast<LPARAM>(L"0"));
    CPlApplet(NULL, CPL_EXIT, 0, 0);
    driver.join();

    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        HANDLE process = LaunchLikeTheApplet(program, NULL);
        if (!process)
            return 1;
        alone.push_back(UntilFirstMark(start));
        CloseHandle(process);
    }
    DeleteFileW(program);
    printf("click on Calibrate to the first mark: %.1f ms (median of %d)\n", Median(fromPage),
           runs);
    printf("program started alone to the first mark: %.1f ms (median of %d)\n", Median(alone),
           runs);
    return 0;
}
