#include "right_click_dlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include "applet_services.h"
#include "cpl_app.h"
#include "resource.h"
#include "tq_registry.h"

RightClickSeams g_rightClickSeams = {PlaySoundW, Beep};

static const int Dependents[] = {
    IDC_RC_SPEED_GROUP,    IDC_RC_SPEED_TEXT, IDC_RC_TIME_LABEL,      IDC_RC_SHORT,
    IDC_RC_LONG,           IDC_RC_TIME,       IDC_RC_TOLERANCE_GROUP, IDC_RC_DISTANCE_TEXT,
    IDC_RC_DISTANCE_LABEL, IDC_RC_SMALL,      IDC_RC_LARGE,           IDC_RC_DISTANCE,
    IDC_RC_TEST_GROUP,     IDC_RC_TEST_TEXT,  IDC_RC_GRAPHIC};
static const DWORD TimeStep = 100; // milliseconds per time trackbar position
static const DWORD TimePositions = 20;
static const DWORD DistancePositions = 50;

void RightClickTuning(DWORD time, DWORD distance, DwordValue values[4])
{
    values[0] = {RightClickTimeoutName, time};
    values[1] = {RightClickDistanceName, distance};
    values[2] = {RightClickDistanceXName,
                 RightClickDistanceInTouchUnits(distance, GetSystemMetrics(SM_CXSCREEN))};
    values[3] = {RightClickDistanceYName,
                 RightClickDistanceInTouchUnits(distance, GetSystemMetrics(SM_CYSCREEN))};
}

CRightClickDlg::CRightClickDlg(DWORD enabled, DWORD time, DWORD distance)
    : Dialog(IDD_RIGHT_CLICK), enabled_(enabled), time_(time), distance_(distance)
{
}

// Returns the position shown.
static DWORD SetUpTrackbar(HWND trackbar, DWORD positions, DWORD position, DWORD tickEvery)
{
    SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, positions));
    // Shown at the end; the value itself stays until the trackbar is moved.
    const DWORD shown = position < positions ? position : positions;
    SendMessageW(trackbar, TBM_SETPOS, TRUE, shown);
    SendMessageW(trackbar, TBM_SETTICFREQ, tickEvery, 0);
    return shown;
}

BOOL CRightClickDlg::OnInit()
{
    if (g_app.HelpFileFound()) {
        SetWindowLongPtrW(hwnd_, GWL_EXSTYLE,
                          GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
        SetWindowPos(hwnd_, NULL, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    committedEnabled_ = enabled_;
    committedTime_ = time_;
    committedDistance_ = distance_;
    EnableDependents(enabled_ != 0);
    CheckItem(IDC_RC_ENABLE, enabled_ != 0);
    timePosition_ = SetUpTrackbar(Item(IDC_RC_TIME), TimePositions, time_ / TimeStep, 2);
    distancePosition_ = SetUpTrackbar(Item(IDC_RC_DISTANCE), DistancePositions, distance_, 5);
    return TRUE;
}

void CRightClickDlg::EnableDependents(bool enable)
{
    for (int id : Dependents)
        EnableItem(id, enable);
}

bool CRightClickDlg::OnCommand(WORD id, WORD code)
{
    if (id == IDC_RC_ENABLE && code == BN_CLICKED) {
        enabled_ = IsItemChecked(IDC_RC_ENABLE) ? 1 : 0;
        EnableDependents(enabled_ != 0);
        Write();
        return true;
    }
    return Dialog::OnCommand(id, code);
}

void CRightClickDlg::OnCancel()
{
    enabled_ = committedEnabled_;
    time_ = committedTime_;
    distance_ = committedDistance_;
    Write();
    Dialog::OnCancel();
}

bool CRightClickDlg::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR*)
{
    switch (message) {
    case WM_HSCROLL: {
        HWND trackbar = reinterpret_cast<HWND>(lParam);
        const DWORD position = static_cast<DWORD>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
        const bool time = trackbar == Item(IDC_RC_TIME);
        DWORD* shown = time ? &timePosition_ : &distancePosition_;
        // Key-ups and button-ups come also when nothing moved, at an end of the range too: a
        // stored value beyond it stays until the trackbar really moves.
        if ((!time && trackbar != Item(IDC_RC_DISTANCE)) || position == *shown)
            return false;
        *shown = position;
        if (time)
            time_ = position * TimeStep;
        else
            distance_ = position;
        // Every move, while dragging too, so that the graphic tests what is shown.
        Write();
        return false;
    }
    // A second press and hold soon after the first, at the same place, comes as a double click.
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONDOWN: {
        POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        TestGraphic(point);
        return false;
    }
    case WM_DESTROY:
        if (glass_) {
            SendMessageW(Item(IDC_RC_GRAPHIC), STM_SETIMAGE, IMAGE_BITMAP, 0);
            DeleteObject(glass_);
            glass_ = NULL;
        }
        return false;
    }
    return false;
}

void CRightClickDlg::Write()
{
    DwordValue values[5] = {{RightClickEnableName, enabled_}};
    RightClickTuning(time_, distance_, values + 1);
    WriteSettings(TouchParametersKey, values, 5);
}

void CRightClickDlg::ShowGlass(UINT bitmapId)
{
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(g_app.Instance(), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0));
    HWND graphic = Item(IDC_RC_GRAPHIC);
    HBITMAP old = reinterpret_cast<HBITMAP>(
        SendMessageW(graphic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    if (old && old != bitmap)
        DeleteObject(old);
    glass_ = bitmap;
    // The animation holds the thread: each frame must reach the screen before the next wait.
    UpdateWindow(graphic);
}

void CRightClickDlg::TestGraphic(POINT point)
{
    if (!enabled_)
        return;
    RECT area;
    GetWindowRect(Item(IDC_RC_GRAPHIC), &area);
    MapWindowPoints(NULL, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    if (point.x < area.left || point.x > area.right || point.y < area.top || point.y > area.bottom)
        return;
    broken_ = !broken_;
    ShowGlass(broken_ ? IDB_GLASS_CRACKED : IDB_GLASS);
    if (!broken_)
        return;
    if (!g_rightClickSeams.playSound(L"BROKENGLASS", g_app.Instance(),
                                     SND_RESOURCE | SND_ASYNC | SND_NODEFAULT)) {
        static const DWORD Frequencies[] = {4500, 5500, 3500, 6500};
        for (DWORD frequency : Frequencies)
            g_rightClickSeams.beep(frequency, 50);
    }
    Sleep(500);
    ShowGlass(IDB_GLASS_BREAKING);
    Sleep(50);
    ShowGlass(IDB_GLASS_SHATTERED);
    Sleep(50);
    ShowGlass(IDB_GLASS_BROKEN);
}
