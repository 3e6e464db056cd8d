#include "page_options.h"

#include "applet_services.h"
#include "tq_registry.h"

BOOL CPageOptionsDlg::OnSetActive()
{
    if (IsFirstActivation()) {
        HKEY key;
        DWORD value;
        if (OpenRegKey(TouchParametersKey, KEY_QUERY_VALUE, &key)) {
            if (ReadDwordStrict(key, BeepName, &value))
                beep_ = value != 0;
            RegCloseKey(key);
        }
        CheckItem(IDC_BEEP, beep_);
    }
    EnableItem(IDC_BEEP, IsAdministrator() && !IsWindows7OrLater());
    return PropertyPage::OnSetActive();
}

void CPageOptionsDlg::WriteBeep(bool beep)
{
    const DwordValue value = {BeepName, beep ? 1u : 0u};
    WriteSettings(TouchParametersKey, &value, 1);
}

bool CPageOptionsDlg::OnCommand(WORD id, WORD code)
{
    if (id != IDC_BEEP || code != BN_CLICKED)
        return false;
    WriteBeep(IsItemChecked(IDC_BEEP));
    SetModified();
    return true;
}
