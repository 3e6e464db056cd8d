// The About page: the installed package and module versions. It changes nothing.
#pragma once

#include <string>

#include "property_page.h"
#include "resource.h"

// The path of a module file below the system folder. Under WOW64 that folder is SysWOW64, while
// the kernel driver's files (Drivers\...) are only in the native one, <windows>\Sysnative.
bool SystemModulePath(const wchar_t* systemDir, const wchar_t* windowsDir, bool wow64,
                      const wchar_t* file, wchar_t path[MAX_PATH]);

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
