#include "property_page.h"

void PropertyPage::SetModified(bool changed)
{
    HWND sheet = GetParent(hwnd_);
    if (sheet)
        SendMessageW(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_),
                     0);
}

bool PropertyPage::UpdateData(bool fromControls)
{
    DataExchange dx(hwnd_, fromControls);
    DoDataExchange(dx);
    return !dx.Failed();
}

BOOL PropertyPage::OnInit()
{
    UpdateData(false);
    return TRUE;
}

BOOL PropertyPage::OnSetActive()
{
    if (firstSetActive_)
        firstSetActive_ = false;
    else
        UpdateData(false);
    return TRUE;
}

BOOL PropertyPage::OnKillActive()
{
    return UpdateData(true);
}

INT_PTR PropertyPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        LONG_PTR result = 0;
        switch (header->code) {
        case PSN_SETACTIVE:
            result = OnSetActive() ? 0 : -1;
            break;
        case PSN_KILLACTIVE:
            result = OnKillActive() ? FALSE : TRUE;
            break;
        case PSN_APPLY:
            OnOK();
            result = PSNRET_NOERROR;
            break;
        case PSN_RESET:
            OnCancel();
            break;
        default:
            return Dialog::HandleMessage(message, wParam, lParam);
        }
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
        return FALSE; // the sheet's buttons, not the page's
    return Dialog::HandleMessage(message, wParam, lParam);
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* page = NULL;
    if (message == WM_INITDIALOG)
        page = reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    return Route(page, hwnd, message, wParam, lParam);
}
