#include "page_calibration.h"

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "applet_services.h"
#include "input_mode.h"
#include "tq_registry.h"

static const int32_t MarginMin = 0;
static const int32_t MarginMax = 25;

void CPageCalibrationDlg::DoDataExchange(DataExchange& dx)
{
    // Options nobody can edit here (another input mode, no rights) are neither taken nor checked:
    // a stored margin out of range would otherwise hold the page and the sheet for good, and a
    // stored count the list lacks would be replaced unasked.
    if (dx.FromControls() && !IsWindowEnabled(Item(IDC_CALIB_MARGIN)))
        return;
    dx.ListText(IDC_CALIB_POINTS, &points_);
    dx.Int(IDC_CALIB_MARGIN, &margin_);
    dx.Check(IDC_CALIB_NO_TIMEOUT, &timeoutDisabled_);
    dx.Range(IDC_CALIB_MARGIN, margin_, MarginMin, MarginMax);
}

BOOL CPageCalibrationDlg::OnInit()
{
    static const wchar_t* const Counts[] = {L"3", L"4", L"5", L"7", L"9"};
    for (const wchar_t* count : Counts)
        SendDlgItemMessageW(hwnd_, IDC_CALIB_POINTS, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(count));
    filling_ = true;
    BOOL result = PropertyPage::OnInit();
    filling_ = false;
    return result;
}

BOOL CPageCalibrationDlg::OnSetActive()
{
    const bool first = IsFirstActivation();
    filling_ = true;
    BOOL result = PropertyPage::OnSetActive();
    if (first) {
        Load();
        SendDlgItemMessageW(hwnd_, IDC_CALIB_MARGIN_SPIN, UDM_SETRANGE, 0,
                            MAKELPARAM(MarginMax, MarginMin));
        UpdateData(false);
        SendDlgItemMessageW(hwnd_, IDC_CALIBRATE, BCM_SETSHIELD, 0, TRUE);
    }
    filling_ = false;
    const bool mouseMode = CurrentInputMode() == InputModeMouse;
    const bool editable = mouseMode && IsAdministrator();
    EnableItem(IDC_CALIBRATE, mouseMode);
    EnableItem(IDC_CALIB_POINTS, editable);
    EnableItem(IDC_CALIB_MARGIN, editable);
    EnableItem(IDC_CALIB_NO_TIMEOUT, editable);
    // The arrows would change the margin behind a disabled edit.
    EnableItem(IDC_CALIB_MARGIN_SPIN, editable);
    return result;
}

void CPageCalibrationDlg::Load()
{
    HKEY key;
    if (OpenRegKey(TouchOptionsKey, KEY_QUERY_VALUE, &key)) {
        DWORD value;
        if (ReadDwordStrict(key, CalibPointsName, &value)) {
            wchar_t text[16];
            _snwprintf(text, 16, L"%lu", static_cast<unsigned long>(value));
            text[15] = L'\0';
            points_ = text;
        }
        if (ReadDwordStrict(key, CalibMarginName, &value))
            margin_ = static_cast<int32_t>(value);
        if (ReadDwordStrict(key, CalibTimeoutName, &value))
            timeoutDisabled_ = value == 0;
        RegCloseKey(key);
    }
    committedPoints_ = points_;
    committedMargin_ = margin_;
    committedTimeoutDisabled_ = timeoutDisabled_;
}

void CPageCalibrationDlg::Save()
{
    const DwordValue values[] = {{CalibPointsName, wcstoul(points_.c_str(), NULL, 10)},
                                 {CalibMarginName, static_cast<DWORD>(margin_)},
                                 {CalibTimeoutName, timeoutDisabled_ ? 0u : 1u}};
    WriteSettings(TouchOptionsKey, values, 3);
}

void CPageCalibrationDlg::OnOK()
{
    committedPoints_ = points_;
    committedMargin_ = margin_;
    committedTimeoutDisabled_ = timeoutDisabled_;
    Save();
}

void CPageCalibrationDlg::OnCancel()
{
    points_ = committedPoints_;
    margin_ = committedMargin_;
    timeoutDisabled_ = committedTimeoutDisabled_;
    Save();
}

void CPageCalibrationDlg::Calibrate()
{
    if (!UpdateData(true))
        return;
    // Saved for the calibration program only: Cancel still writes the committed copy back.
    Save();
    LaunchCalibration(hwnd_, -1);
}

bool CPageCalibrationDlg::OnCommand(WORD id, WORD code)
{
    if ((id == IDC_CALIB_POINTS && code == CBN_SELENDOK) ||
        (id == IDC_CALIB_MARGIN && code == EN_CHANGE) ||
        (id == IDC_CALIB_NO_TIMEOUT && code == BN_CLICKED)) {
        if (!filling_)
            SetModified();
        return true;
    }
    if (id == IDC_CALIBRATE && code == BN_CLICKED) {
        Calibrate();
        return true;
    }
    return false;
}
