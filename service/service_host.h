// TqTouchSvc's command line, its registration with the service control manager, the service's
// life cycle and debug mode.
#pragma once

#include <windows.h>

enum SvcCommand { SvcRunService, SvcInstall, SvcRemove, SvcDebug };

// "-" or "/" followed by install, remove or debug in any case; anything else runs the service.
SvcCommand ParseCommandLine(int argc, char** argv);

// The whole program; the exit code is always 0.
int TqTouchSvcMain(int argc, char** argv);

// Reports a state to the service control manager; does nothing in debug mode. A failure is
// logged as event 0xC0000004.
bool ServiceStatusReport(DWORD state, DWORD exitCode, DWORD waitHint);
