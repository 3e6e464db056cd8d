// The press-and-hold settings dialog: the right-click emulation on or off, its time and distance,
// each change written and announced to the driver at once, and a graphic to try them on.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "applet_services.h"
#include "dialog.h"

class CRightClickDlg : public Dialog
{
  public:
    CRightClickDlg(DWORD enabled, DWORD time, DWORD distance);
    DWORD Enabled() const
    {
        return enabled_;
    }
    DWORD Time() const
    {
        return time_;
    }
    DWORD Distance() const
    {
        return distance_;
    }

  protected:
    BOOL OnInit() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) override;
    void OnCancel() override;

  private:
    void EnableDependents(bool enable);
    void Write();
    void TestGraphic(POINT point);
    void ShowGlass(UINT bitmapId);

    DWORD enabled_, time_, distance_;
    DWORD committedEnabled_ = 0, committedTime_ = 0, committedDistance_ = 0;
    DWORD timePosition_ = 0, distancePosition_ = 0; // the positions the values last followed
    bool broken_ = false;
    HBITMAP glass_ = NULL; // the frame this dialog loaded last
};

// RightClickTimeout, RightClickDistance and the distance in touch units across and down the
// screen, written after RightClickEnable.
void RightClickTuning(DWORD time, DWORD distance, DwordValue values[4]);

// The sound of the breaking glass: Wine plays nothing and answers TRUE either way.
struct RightClickSeams {
    BOOL(WINAPI* playSound)(LPCWSTR, HMODULE, DWORD);
    BOOL(WINAPI* beep)(DWORD, DWORD);
};
extern RightClickSeams g_rightClickSeams;
