#include "page_mouse.h"

#include "applet_services.h"
#include "input_mode.h"
#include "resource.h"
#include "right_click_dlg.h"
#include "tq_registry.h"

// Radio buttons by click mode.
static const int ClickModeButtons[] = {IDC_CLICK_EMULATE, IDC_CLICK_ON_TOUCH, IDC_CLICK_ON_RELEASE};
static const DWORD ClickModeCount = 3;

CPageMouseDlg::CPageMouseDlg()
    : PropertyPage(IDD_MOUSE), clickMode_(ClickModeDefault), enabled_(RightClickEnableDefault),
      time_(RightClickTimeoutDefault),
      distance_(RightClickDistanceDefault(GetSystemMetrics(SM_CXSCREEN))),
      committedClickMode_(clickMode_), committedEnabled_(enabled_), committedTime_(time_),
      committedDistance_(distance_)
{
}

BOOL CPageMouseDlg::OnSetActive()
{
    if (IsFirstActivation()) {
        HKEY key;
        if (OpenRegKey(TouchParametersKey, KEY_QUERY_VALUE, &key)) {
            ReadDwordStrict(key, ClickModeName, &clickMode_);
            if (ReadDwordStrict(key, RightClickEnableName, &enabled_) && enabled_)
                enabled_ = 1;
            ReadDwordStrict(key, RightClickTimeoutName, &time_);
            ReadDwordStrict(key, RightClickDistanceName, &distance_);
            RegCloseKey(key);
        }
        committedClickMode_ = clickMode_;
        committedEnabled_ = enabled_;
        committedTime_ = time_;
        committedDistance_ = distance_;
        if (clickMode_ < ClickModeCount) {
            for (DWORD mode = 0; mode < ClickModeCount; ++mode)
                CheckItem(ClickModeButtons[mode], mode == clickMode_);
        }
    }
    const bool editable = IsAdministrator() && CurrentInputMode() == InputModeMouse;
    for (int id : ClickModeButtons)
        EnableItem(id, editable);
    EnableItem(IDC_CLICK_SETTINGS, editable && clickMode_ == ClickModeDefault);
    return PropertyPage::OnSetActive();
}

void CPageMouseDlg::OnOK()
{
    committedClickMode_ = clickMode_;
    committedEnabled_ = enabled_;
    committedTime_ = time_;
    committedDistance_ = distance_;
    Write();
}

void CPageMouseDlg::OnCancel()
{
    clickMode_ = committedClickMode_;
    enabled_ = committedEnabled_;
    time_ = committedTime_;
    distance_ = committedDistance_;
    Write();
}

bool CPageMouseDlg::OnCommand(WORD id, WORD code)
{
    if (code != BN_CLICKED)
        return false;
    if (id == IDC_CLICK_SETTINGS) {
        RunSettings();
        return true;
    }
    for (DWORD mode = 0; mode < ClickModeCount; ++mode) {
        if (id == ClickModeButtons[mode]) {
            ChooseClickMode(mode);
            return true;
        }
    }
    return false;
}

void CPageMouseDlg::ChooseClickMode(DWORD mode)
{
    clickMode_ = mode;
    Write();
    for (DWORD other = 0; other < ClickModeCount; ++other) {
        if (other != mode)
            CheckItem(ClickModeButtons[other], false);
    }
    EnableItem(IDC_CLICK_SETTINGS, mode == ClickModeDefault);
    SetModified();
}

void CPageMouseDlg::RunSettings()
{
    CRightClickDlg dialog(enabled_, time_, distance_);
    // The dialog has written every change, or on Cancel put the registry back: nothing to write.
    if (dialog.DoModal(GetAncestor(hwnd_, GA_ROOT)) != IDOK)
        return;
    enabled_ = dialog.Enabled();
    time_ = dialog.Time();
    distance_ = dialog.Distance();
    SetModified();
}

void CPageMouseDlg::Write()
{
    DwordValue values[6] = {{ClickModeName, clickMode_}, {RightClickEnableName, enabled_}};
    RightClickTuning(time_, distance_, values + 2);
    WriteSettings(TouchParametersKey, values, 6);
}
