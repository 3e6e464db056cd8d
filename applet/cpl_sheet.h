// The applet's property sheet: its six pages, About last, the help item of the system menu and
// the icon while minimised.
#pragma once

#include "page_about.h"
#include "page_calibration.h"
#include "page_hardware.h"
#include "page_mode.h"
#include "page_mouse.h"
#include "page_options.h"
#include "property_sheet.h"

// The system-menu command that opens the help's default topic.
const UINT HelpSysCommand = 0x20;

class CCplPropertySheet : public PropSheet
{
  public:
    CCplPropertySheet(const wchar_t* caption, HWND parent);
    ~CCplPropertySheet() override;

  private:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // Constructed in this order and destroyed in the reverse order.
    CPageModeDlg mode_;
    CPageMouseDlg mouse_;
    CPageOptionsDlg options_;
    CPageCalibrationDlg calibration_;
    CPageHardwareDlg hardware_;
    CPageAboutDlg about_;
    HICON icon_ = NULL;
};
