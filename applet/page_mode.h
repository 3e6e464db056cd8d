// The Mode page: touch input as mouse input or through the system's Windows touch support.
#pragma once

#include "property_page.h"

class CPageModeDlg : public PropertyPage
{
  public:
    CPageModeDlg();

  private:
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;

    // Writes InputMode and sends the reload; true when both succeeded.
    bool WriteInputMode();
    void ChooseWindowsTouch();
    void ChooseMouse();
    void RefreshStatusLine();
    void StatusFollowsMode();
    // Windows touch chosen while the system reports no Tablet PC input.
    bool TouchInputMissing() const;

    DWORD mode_ = 0;
    DWORD committedMode_ = 0;
    bool servicePresent_ = false;
    bool colouring_ = false; // asking the dialog for its own colours of the status line
};

// Starts the Tablet PC input service and waits while it reports progress, 30 s at most; true
// when it runs.
bool StartTabletInputService();
