// Benchmark, not a test: one trackbar message of the press-and-hold dialog (five values written
// and the reload to four simulated devices) over a drag of 200 messages, beside the reload alone
// and a bare message sent to the dialog from the same thread. Prints medians in microseconds.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

#include <algorithm>
#include <vector>

#include "applet_services.h"
#include "dialog.h"
#include "resource.h"
#include "right_click_dlg.h"
#include "sim_client.h"

static const int Messages = 200;

static double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Microseconds of each call of step on this thread.
template <class Step> static std::vector<double> Measure(Step step)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> samples;
    for (int i = 0; i < Messages; ++i) {
        QueryPerformanceCounter(&start);
        step(i);
        QueryPerformanceCounter(&end);
        samples.push_back((end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart);
    }
    return samples;
}

// The dialog's own thread sends the messages to itself, as the trackbar does while dragged.
class BenchDlg : public CRightClickDlg
{
  public:
    BenchDlg() : CRightClickDlg(1, 800, 12) {}
    std::vector<double> drag, bare;

  private:
    BOOL OnInit() override
    {
        CRightClickDlg::OnInit();
        PostMessageW(Handle(), WM_APP, 0, 0);
        return TRUE;
    }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override
    {
        if (message != WM_APP)
            return CRightClickDlg::OnMessage(message, wParam, lParam, result);
        HWND trackbar = Item(IDC_RC_TIME);
        drag = Measure([&](int i) {
            SendMessageW(trackbar, TBM_SETPOS, TRUE, i % 21);
            SendMessageW(Handle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, i % 21),
                         reinterpret_cast<LPARAM>(trackbar));
        });
        bare = Measure([&](int) { SendMessageW(Handle(), WM_NULL, 0, 0); });
        EndDialog(Handle(), IDCANCEL);
        return true;
    }
};

int wmain()
{
    SetDialogModule(GetModuleHandleW(NULL));
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!SimRestartDriver(0xF)) {
        fprintf(stderr, "the simulated driver is not up\n");
        return 1;
    }
    std::vector<double> reload = Measure([](int) { ReloadParameters(); });
    BenchDlg dialog;
    dialog.DoModal(NULL);
    SimRestartDriver(SimDefaultDevices);
    printf("trackbar message (5 values, reload of 4 devices): %.1f us median of %d\n",
           Median(dialog.drag), Messages);
    printf("reload alone (4 devices):                         %.1f us\n", Median(reload));
    printf("bare message to the dialog:                       %.1f us\n", Median(dialog.bare));
    return 0;
}
