// What the tests tell the TqTouchSelect.exe stand-in.
#pragma once

// While this event exists and is not set, the stand-in keeps running.
const wchar_t* const SelectStandInEvent = L"TqTouchSelectGo";
// REG_DWORD Devices: the bit mask the stand-in restarts the simulated driver with.
const wchar_t* const SelectStandInKey = L"SOFTWARE\\TqTouchSelectStandIn";
const wchar_t* const SelectStandInDevices = L"Devices";
