// Where the service probe (svc_probe.exe) takes its configuration from.
#pragma once

// EventFile (REG_SZ): the reports go to this file, one line each: "type id|string...".
// FailClassDevs (REG_DWORD): the monitor list does not open, with this error.
// StartDelayMs (REG_DWORD): the monitor list takes this long to open, which keeps the start
// pending. ToggleSaver (REG_DWORD, non-zero): the screen saver runs for two passes, then rests for
// two.
const wchar_t* const SvcProbeKey = L"SOFTWARE\\TqTouchTests\\SvcProbe";
