// The Hardware page: the touch devices, their properties and calibration status.
#pragma once

#include "property_page.h"
#include "resource.h"

class CPageHardwareDlg : public PropertyPage
{
  public:
    CPageHardwareDlg() : PropertyPage(IDD_HARDWARE) {}
};
