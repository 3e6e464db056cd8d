// The Calibration page: the calibration options and the start of a calibration.
#pragma once

#include <stdint.h>

#include <string>

#include "property_page.h"
#include "resource.h"

class CPageCalibrationDlg : public PropertyPage
{
  public:
    CPageCalibrationDlg() : PropertyPage(IDD_CALIBRATION) {}

  private:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInit() override;
    BOOL OnSetActive() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code) override;

    void Load();
    void Save();
    void Calibrate();

    std::wstring points_ = L"5";
    int32_t margin_ = 10;
    bool timeoutDisabled_ = false;
    std::wstring committedPoints_;
    int32_t committedMargin_ = 10;
    bool committedTimeoutDisabled_ = false;
    // Set while the page itself fills the controls, so that this is no change of the user's.
    bool filling_ = false;
};
