// The Calibration page: the calibration options and the start of a calibration.
#pragma once

#include "property_page.h"
#include "resource.h"

class CPageCalibrationDlg : public PropertyPage
{
  public:
    CPageCalibrationDlg() : PropertyPage(IDD_CALIBRATION) {}
};
