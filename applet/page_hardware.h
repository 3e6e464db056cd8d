// The Hardware page: the touch devices, their properties and calibration status, the reset of a
// calibration and the selection program.
#pragma once

#include "property_page.h"
#include "resource.h"
#include "tq_driver.h"

// Asks devices 0 to 3 for their information; bit n of the result is set when device n answered
// and info[n] then holds its record.
unsigned QueryTouchDevices(TouchDeviceInfo info[TQTOUCH_MAX_DEVICES]);

class CPageHardwareDlg : public PropertyPage
{
  public:
    CPageHardwareDlg() : PropertyPage(IDD_HARDWARE) {}
    ~CPageHardwareDlg() override;
    // Lists the devices afresh and selects the first.
    void RebuildDeviceList();

  private:
    BOOL OnSetActive() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnNotify(NMHDR* header, LRESULT* result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

    void SetUpList();
    void ListDevices();
    void ClearProperties();
    void ShowProperties(int n);
    void RefreshStatus();
    // The device of the selected item, from its item data; -1 when none is selected.
    int SelectedItemDevice() const;
    void ResetCalibration();
    void Calibrate();
    void StartSelection();
    void CheckSelectionEnded();

    TouchDeviceInfo info_[TQTOUCH_MAX_DEVICES] = {};
    int selected_ = -1;
    HANDLE selectProcess_ = NULL;
};
