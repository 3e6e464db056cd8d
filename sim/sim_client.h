// Test-side control of the simulated touch driver. Each call opens the device, sends one
// private code and closes it; false with the cause in the last error.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include "sim_control.h"

bool SimSetRawPoint(unsigned n, int32_t x, int32_t y);
bool SimSetDeviceInfo(unsigned n, const TouchDeviceInfo& info);
// The next count requests of code on device n fail with status (an NTSTATUS).
bool SimFailNext(unsigned n, SimCode code, uint32_t count, uint32_t status);
bool SimReadState(unsigned n, SimState* state);
// Clears the request counters and sequence numbers of device n (not the raw point or flags).
bool SimResetCounters(unsigned n);
// Restarts the driver with the devices of the bit mask (bit n = \\.\TqTouch<n>) present.
bool SimRestartDriver(uint32_t deviceMask);
