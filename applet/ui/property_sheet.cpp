#include "property_sheet.h"

#include <commctrl.h>
#include <string.h>

#include "dialog_template.h"

// The sheet callback has no parameter of its own; sheets run one at a time on one thread.
static PropSheet* g_creating = NULL;

PropSheet::PropSheet(const wchar_t* caption, HWND parent) : caption_(caption)
{
    memset(&header_, 0, sizeof(header_));
    header_.dwSize = sizeof(header_);
    header_.dwFlags = PSH_PROPSHEETPAGE;
    header_.hwndParent = parent;
    header_.hInstance = DialogModule();
    header_.pszCaption = caption_.c_str();
}

bool PropSheet::BuildPropPageArray()
{
    templates_.assign(pages_.size(), std::vector<BYTE>());
    pageHeaders_.assign(pages_.size(), PROPSHEETPAGEW());
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (!LoadTemplateWithFont(DialogModule(), pages_[i]->TemplateId(), &templates_[i]))
            return false;
        PROPSHEETPAGEW& page = pageHeaders_[i];
        memset(&page, 0, sizeof(page));
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DLGINDIRECT;
        page.hInstance = DialogModule();
        page.pResource = reinterpret_cast<const DLGTEMPLATE*>(templates_[i].data());
        page.pfnDlgProc = PropertyPage::PageProc;
        page.lParam = reinterpret_cast<LPARAM>(pages_[i]);
    }
    return true;
}

INT_PTR PropSheet::DoModal()
{
    if (!BuildPropPageArray())
        return -1;
    header_.dwFlags |= PSH_USECALLBACK;
    header_.pfnCallback = SheetCallback;
    header_.nPages = static_cast<UINT>(pageHeaders_.size());
    header_.ppsp = pageHeaders_.data();
    g_creating = this;
    INT_PTR result = PropertySheetW(&header_);
    g_creating = NULL;
    hwnd_ = NULL;
    return result;
}

bool PropSheet::OnMessage(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

int CALLBACK PropSheet::SheetCallback(HWND hwnd, UINT message, LPARAM lParam)
{
    if (message == PSCB_PRECREATE && lParam) {
        // The template is the platform's copy; the new one is written over it only where it
        // fits, which it does for a face shorter than the platform's own.
        BYTE* sheetTemplate = reinterpret_cast<BYTE*>(lParam);
        size_t size = DialogTemplateSize(sheetTemplate, 65536);
        std::vector<BYTE> copy;
        if (size && SetTemplateFont(sheetTemplate, size, DialogFontFace, DialogFontPoints, &copy) &&
            copy.size() <= size)
            memcpy(sheetTemplate, copy.data(), copy.size());
    } else if (message == PSCB_INITIALIZED && g_creating) {
        g_creating->hwnd_ = hwnd;
        SetWindowSubclass(hwnd, SheetSubclass, 0, reinterpret_cast<DWORD_PTR>(g_creating));
        g_creating->OnInitDialog();
    }
    return 0;
}

bool PropSheet::HelpForCurrentPage(const HELPINFO* info)
{
    HWND page = PropSheet_GetCurrentPageHwnd(hwnd_);
    if (!info || !page)
        return false;
    // A page's control or a page itself has asked already, and so has a dialog the sheet owns;
    // each passes the request on to its parent or owner, the sheet.
    HWND item = static_cast<HWND>(info->hItemHandle);
    if (info->iContextType == HELPINFO_WINDOW &&
        (GetAncestor(item, GA_ROOT) != hwnd_ || item == page || IsChild(page, item)))
        return false;
    for (PropertyPage* candidate : pages_) {
        if (candidate->Handle() == page) {
            ShowDialogHelp(page, candidate->TemplateId());
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK PropSheet::SheetSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self)
{
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(hwnd, SheetSubclass, 0);
    PropSheet* sheet = reinterpret_cast<PropSheet*>(self);
    if (message == WM_HELP && sheet->HelpForCurrentPage(reinterpret_cast<const HELPINFO*>(lParam)))
        return TRUE;
    LRESULT result = 0;
    if (sheet->OnMessage(message, wParam, lParam, &result))
        return result;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
