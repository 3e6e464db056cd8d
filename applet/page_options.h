// The Options page: the beep on release.
#pragma once

#include "property_page.h"
#include "resource.h"

class CPageOptionsDlg : public PropertyPage
{
  public:
    CPageOptionsDlg() : PropertyPage(IDD_OPTIONS) {}

  private:
    void DoDataExchange(DataExchange& dx) override
    {
        dx.Check(IDC_BEEP, &beep_);
    }
    BOOL OnSetActive() override;
    void OnCancel() override
    {
        WriteBeep(beep_);
    }
    bool OnCommand(WORD id, WORD code) override;

    // Writes Beep and sends the reload, also after a failed write of the value.
    void WriteBeep(bool beep);

    // Taken from the box only when the page is left: until then Cancel writes the earlier state.
    bool beep_ = false;
};
