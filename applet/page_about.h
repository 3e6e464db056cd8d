// The About page: the installed package and module versions.
#pragma once

#include "property_page.h"
#include "resource.h"

class CPageAboutDlg : public PropertyPage
{
  public:
    CPageAboutDlg() : PropertyPage(IDD_ABOUT) {}
};
