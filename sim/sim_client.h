// Test-side control of the simulated touch driver. Each call opens the device, sends one
// private code and closes it; false with the cause in the last error.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include "sim_control.h"

// The driver's service, and the value below it that names the devices present at its start.
const wchar_t* const SimServiceName = L"TqTouch";
const wchar_t* const SimulationKey = L"SYSTEM\\CurrentControlSet\\Services\\TqTouch\\Simulation";
const wchar_t* const SimDevicesName = L"Devices";
const uint32_t SimDefaultDevices = 1;

bool SimSetRawPoint(unsigned n, int32_t x, int32_t y);
bool SimSetDeviceInfo(unsigned n, const TouchDeviceInfo& info);
// The next count requests of code on device n fail with status, an NTSTATUS; a success status
// answers them with nothing returned. They still count in requests[] and take sequence numbers.
// With SimHang as the status they are never answered, until the driver restarts.
const uint32_t SimHang = 0x103; // STATUS_PENDING
bool SimFailNext(unsigned n, SimCode code, uint32_t count, uint32_t status);
bool SimReadState(unsigned n, SimState* state);
// Clears the request counters, the reload count and the sequence numbers of device n (not the
// raw point, the device information, the flags or what the last reload read).
bool SimResetCounters(unsigned n);
// Restarts the driver with the devices of the bit mask (bit n = \\.\TqTouch<n>) present. Every
// device starts afresh: point (0, 0), clicks enabled, no faults, counters zero. Handles to the
// old devices must be closed first.
bool SimRestartDriver(uint32_t deviceMask);
// Creates the driver's kernel service for the image at imagePath (a Windows path), or points an
// existing one at it. The driver is not started.
bool SimInstallDriver(const wchar_t* imagePath);
