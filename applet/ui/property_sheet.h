// A modal property sheet: the header, the pages in order, the start page, and every template in
// the dialog font.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "property_page.h"

class PropSheet
{
  public:
    PropSheet(const wchar_t* caption, HWND parent);
    virtual ~PropSheet() {}
    void AddPage(PropertyPage* page)
    {
        pages_.push_back(page);
    }
    // Only recorded: the sheet opens on it.
    void SetActivePage(int index)
    {
        header_.nStartPage = static_cast<UINT>(index);
    }
    // Runs the sheet until OK, Cancel or the close box; PropertySheetW's result.
    virtual INT_PTR DoModal();
    HWND Handle() const
    {
        return hwnd_;
    }

  protected:
    // The pages' headers, each with its template in the dialog font.
    virtual bool BuildPropPageArray();
    // The sheet window exists and shows its first page.
    virtual BOOL OnInitDialog()
    {
        return TRUE;
    }
    // A message to the sheet window; true when handled, with the result in *result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    PROPSHEETHEADERW header_;
    std::vector<PROPSHEETPAGEW> pageHeaders_;

  private:
    // F1 on the sheet, its tabs or its buttons: the current page's help. False for a request
    // that a page or another window has answered already.
    bool HelpForCurrentPage(const HELPINFO* info);
    static int CALLBACK SheetCallback(HWND hwnd, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SheetSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR id, DWORD_PTR self);
    std::wstring caption_;
    std::vector<PropertyPage*> pages_;
    std::vector<std::vector<BYTE>> templates_;
    HWND hwnd_ = NULL;
};
