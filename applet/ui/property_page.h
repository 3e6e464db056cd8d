// A page of a property sheet: the dialog hooks plus set-active, kill-active, OK/Apply and
// Cancel, the page's data exchange and "mark modified".
#pragma once

#include <windows.h>
#include <prsht.h>

#include "data_exchange.h"
#include "dialog.h"

class PropertyPage : public Dialog
{
  public:
    explicit PropertyPage(UINT templateId) : Dialog(templateId) {}
    // The sheet enables Apply.
    void SetModified(bool changed = true);
    // Moves the members to the controls, or back; false when a check failed.
    bool UpdateData(bool fromControls);
    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  protected:
    virtual void DoDataExchange(DataExchange&) {}
    // Moves the members into the controls.
    BOOL OnInit() override;
    // Moves the members into the controls on every activation but the first.
    virtual BOOL OnSetActive();
    // Takes the controls into the members; FALSE keeps the page.
    virtual BOOL OnKillActive();
    // OK and Apply (PSN_APPLY).
    void OnOK() override {}
    // Cancel and the close box (PSN_RESET).
    void OnCancel() override {}
    bool IsFirstActivation() const
    {
        return firstSetActive_;
    }
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    bool firstSetActive_ = true;
};
