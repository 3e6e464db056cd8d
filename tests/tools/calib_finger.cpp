// A simulated finger for the demo: starts TqTouchCalib.exe as the applet does, reads each mark
// off the screen, makes the simulated driver report a distorted raw point for it, touches it
// with real mouse input and accepts the check with OK. Prints the stored record and the
// largest residual of the fit at the touched marks.
#include <windows.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "calib_compute.h"
#include "calib_drive.h"
#include "calib_store.h"
#include "resource.h"
#include "sim_client.h"

namespace
{

struct Distortion {
    double scaleX = 3.6, scaleY = 4.8;   // controller units per pixel
    double offsetX = 180, offsetY = 140; // controller units
    double rotate = 1.5;                 // degrees
    double noise = 2.0;                  // controller units, uniform in [-noise, noise]
    unsigned seed = 1;
};

struct Sample {
    POINT mark; // screen pixels
    TouchRawPoint raw;
};

double Uniform(unsigned* state)
{
    *state = *state * 1103515245u + 12345u;
    return ((*state >> 8) & 0xFFFF) / 65535.0 * 2.0 - 1.0;
}

TouchRawPoint Distort(const Distortion& d, POINT p, unsigned* random)
{
    const double a = d.rotate * 3.14159265358979 / 180.0;
    const double x =
        d.scaleX * (cos(a) * p.x - sin(a) * p.y) + d.offsetX + d.noise * Uniform(random);
    const double y =
        d.scaleY * (sin(a) * p.x + cos(a) * p.y) + d.offsetY + d.noise * Uniform(random);
    return TouchRawPoint{static_cast<int32_t>(lround(x)), static_cast<int32_t>(lround(y))};
}

bool Save(const std::wstring& folder, const wchar_t* name)
{
    if (folder.empty())
        return true;
    ScreenShot shot;
    const std::wstring path = folder + L"\\" + name;
    return CaptureScreen(&shot) && SaveBitmap(shot, path.c_str());
}

bool ButtonShown(HWND window, int id)
{
    HWND button = GetDlgItem(window, id);
    return button && IsWindowVisible(button);
}

void Usage()
{
    fprintf(stderr, "usage: calib_finger PROGRAM [--device N] [--scale-x S] [--scale-y S]\n"
                    "  [--offset-x O] [--offset-y O] [--rotate DEGREES] [--noise UNITS]\n"
                    "  [--seed N] [--shots FOLDER]\n");
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        Usage();
        return 2;
    }
    Distortion d;
    unsigned device = 0;
    std::wstring shots;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::wstring option = argv[i];
        const wchar_t* value = argv[i + 1];
        if (option == L"--device")
            device = static_cast<unsigned>(_wtoi(value));
        else if (option == L"--scale-x")
            d.scaleX = _wtof(value);
        else if (option == L"--scale-y")
            d.scaleY = _wtof(value);
        else if (option == L"--offset-x")
            d.offsetX = _wtof(value);
        else if (option == L"--offset-y")
            d.offsetY = _wtof(value);
        else if (option == L"--rotate")
            d.rotate = _wtof(value);
        else if (option == L"--noise")
            d.noise = _wtof(value);
        else if (option == L"--seed")
            d.seed = static_cast<unsigned>(_wtoi(value));
        else if (option == L"--shots")
            shots = value;
        else {
            Usage();
            return 2;
        }
    }
    printf("touch controller: scale %.3f x %.3f units/pixel, offset (%.1f, %.1f), rotation %.2f"
           " degrees, noise +-%.1f units, seed %u\n",
           d.scaleX, d.scaleY, d.offsetX, d.offsetY, d.rotate, d.noise, d.seed);

    // Any message box of the program is reported and answered.
    BoxWatcher boxes(L"Touch Calibration");
    HANDLE process = LaunchLikeTheApplet(argv[1], NULL);
    if (!process) {
        fprintf(stderr, "cannot start the calibration program (error %lu)\n", GetLastError());
        return 1;
    }
    HWND window = NULL;
    WaitUntil(
        [&] {
            window = FindWindowW(L"TQTOUCHCALIB", NULL);
            return window || boxes.Count() || WaitForSingleObject(process, 0) == 0;
        },
        20000, false);
    if (!window) {
        fprintf(stderr, "the calibration window did not appear\n");
        for (const std::wstring& text : boxes.Texts())
            fprintf(stderr, "message: %ls\n", text.c_str());
        TerminateProcess(process, 1);
        return 1;
    }
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    printf("calibration window: %ld x %ld pixels\n", client.right, client.bottom);

    unsigned random = d.seed;
    std::vector<Sample> pass;
    POINT mark = {-1, -1};
    bool shown = WaitUntil(
        [&] {
            ScreenShot shot;
            return CaptureScreen(&shot) && FindMark(shot, &mark);
        },
        10000, false);
    Save(shots, L"first-mark.bmp");
    for (int touches = 0; shown && touches < 40; ++touches) {
        Sample sample = {mark, Distort(d, mark, &random)};
        if (!SimSetRawPoint(device, sample.raw.x, sample.raw.y)) {
            fprintf(stderr, "the simulated driver does not answer (error %lu)\n", GetLastError());
            break;
        }
        // A new pass starts at the top-left mark again, after a rejection.
        if (!pass.empty() && mark.x == pass[0].mark.x && mark.y == pass[0].mark.y) {
            printf("the calibration was rejected; touching the marks again\n");
            pass.clear();
        }
        pass.push_back(sample);
        printf("mark %zu at (%ld, %ld): raw point (%d, %d)\n", pass.size(), mark.x - origin.x,
               mark.y - origin.y, sample.raw.x, sample.raw.y);
        Click(mark.x, mark.y);
        POINT next;
        shown = WaitForMarkMove(mark, &next, 5000);
        mark = next;
    }
    if (!WaitUntil([&] { return ButtonShown(window, IDC_OK); }, 5000, false)) {
        fprintf(stderr, "the check phase did not come\n");
        PostMessageW(window, WM_CLOSE, 0, 0);
        WaitForSingleObject(process, 10000);
        return 1;
    }
    printf("check phase: the pointer follows the finger with the new record\n");
    Save(shots, L"check-phase.bmp");
    RECT ok;
    GetWindowRect(GetDlgItem(window, IDC_OK), &ok);
    Click((ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    if (WaitForSingleObject(process, 15000) != WAIT_OBJECT_0) {
        fprintf(stderr, "the calibration program did not end\n");
        TerminateProcess(process, 1);
        return 1;
    }
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    for (const std::wstring& text : boxes.Texts())
        printf("message: %ls\n", text.c_str());

    CalibrationRecord record = {};
    if (!ReadCalibrationRecord(static_cast<int>(device), &record)) {
        fprintf(stderr, "no calibration record for screen %u (error %lu)\n", device,
                GetLastError());
        return 1;
    }
    wchar_t key[MAX_PATH];
    FormatCalibrationKey(device, key);
    printf("\nrecord written to HKLM\\%ls (program exit code %lu):\n", key, exitCode);
    printf("  A1 = %d  B1 = %d  C1 = %d\n  A2 = %d  B2 = %d  C2 = %d\n", record.A1, record.B1,
           record.C1, record.A2, record.B2, record.C2);
    printf("  Delta = %d  Valid = %d  CX = %d  CY = %d\n", record.Delta, record.Valid, record.CX,
           record.CY);
    double worst = 0;
    for (size_t i = 0; i < pass.size(); ++i) {
        int32_t qx, qy;
        TransformPoint(record, pass[i].raw.x, pass[i].raw.y, &qx, &qy);
        // C1 and C2 carry half a pixel so that the driver's truncation rounds; the fit itself
        // lies half a pixel below the quarter-pixel value.
        const double fx = qx / 4.0 - 0.5, fy = qy / 4.0 - 0.5;
        const double dx = fx - (pass[i].mark.x - origin.x);
        const double dy = fy - (pass[i].mark.y - origin.y);
        const double residual = sqrt(dx * dx + dy * dy);
        printf("  mark %zu at (%ld, %ld): fit (%.2f, %.2f), driver pixel (%d, %d), residual %.2f"
               " pixels\n",
               i + 1, pass[i].mark.x - origin.x, pass[i].mark.y - origin.y, fx, fy, qx / 4, qy / 4,
               residual);
        if (residual > worst)
            worst = residual;
    }
    printf("largest residual: %.2f pixels (accepted below %u)\n", worst, ReadMaxCalError());
    return record.Valid == 1 && exitCode == 0 ? 0 : 1;
}
