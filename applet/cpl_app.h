// The applet's application object: its module, its name, its help file and help mechanism.
#pragma once

#include <windows.h>

#include <string>

class CCplApp
{
  public:
    HINSTANCE Instance() const;
    // Caption of every message box of the applet.
    const wchar_t* AppName() const
    {
        return appName_.c_str();
    }
    // Takes string 1001 as the application name, afresh at every opening.
    void LoadAppName();
    // Looks for TqTouch.chm beside the applet, in the Windows Help folder and in the system
    // folder, in that order.
    bool LocateHelpFile();
    bool HelpFileFound() const
    {
        return helpFileFound_;
    }
    const std::wstring& HelpFilePath() const
    {
        return helpFilePath_;
    }
    // The topic of the dialog, or the default topic for 0.
    void ShowHelp(HWND caller, UINT dialogId);

  private:
    std::wstring appName_;
    std::wstring helpFilePath_;
    bool helpFileFound_ = false;
};

extern CCplApp g_app;
