// The Mouse Handling page: how touches become clicks, and the press-and-hold settings.
#pragma once

#include "property_page.h"

class CPageMouseDlg : public PropertyPage
{
  public:
    CPageMouseDlg();

  private:
    BOOL OnSetActive() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code) override;

    void ChooseClickMode(DWORD mode);
    void RunSettings();
    // All six values and the reload; administrators only.
    void Write();

    DWORD clickMode_, enabled_, time_, distance_;
    DWORD committedClickMode_, committedEnabled_, committedTime_, committedDistance_;
};
