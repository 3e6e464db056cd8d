// The About page: the installed package and module versions. It changes nothing.
#pragma once

#include <string>

#include "property_page.h"
#include "resource.h"

class CPageAboutDlg : public PropertyPage
{
  public:
    CPageAboutDlg() : PropertyPage(IDD_ABOUT) {}

  private:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnSetActive() override;
    void Fill();

    std::wstring version_;
    std::wstring arch_;
    std::wstring modules_;
};
