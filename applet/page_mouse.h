// The Mouse Handling page: how touches become clicks, and the press-and-hold settings.
#pragma once

#include "property_page.h"
#include "resource.h"

class CPageMouseDlg : public PropertyPage
{
  public:
    CPageMouseDlg() : PropertyPage(IDD_MOUSE) {}
};
