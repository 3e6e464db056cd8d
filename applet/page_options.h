// The Options page: the beep on release.
#pragma once

#include "property_page.h"
#include "resource.h"

class CPageOptionsDlg : public PropertyPage
{
  public:
    CPageOptionsDlg() : PropertyPage(IDD_OPTIONS) {}
};
