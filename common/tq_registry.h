// Every registry key, value name and default of the touch package, all under HKEY_LOCAL_MACHINE.
#pragma once

#include <windows.h>

// Driver parameters; written by the applet and the calibration program, read by the driver.
const wchar_t* const TouchParametersKey =
    L"SYSTEM\\CurrentControlSet\\Services\\TqTouch\\Parameters";
// Screen<n>\Calibration below the parameters key, built with CalibrationKeyFormat.
const wchar_t* const ScreenKeyPart = L"\\Screen";
const wchar_t* const CalibrationKeyPart = L"\\Calibration";
const wchar_t* const CalibrationKeyFormat = L"%s%s%u%s";
// The platform's list of the driver's device instances (value "0".."3", REG_SZ).
const wchar_t* const TouchEnumKey = L"SYSTEM\\CurrentControlSet\\Services\\TqTouch\\Enum";
const DWORD EnumInstanceIdBytes = 200;
// SYSTEM\CurrentControlSet\Enum\<instance id>\Device Parameters holds PortName.
const wchar_t* const SystemEnumKey = L"SYSTEM\\CurrentControlSet\\Enum\\";
const wchar_t* const DeviceParametersKeyPart = L"\\Device Parameters";
const wchar_t* const PortNameName = L"PortName";
const DWORD PortNameBytes = 200;
// Calibration options, package version and double-click minimums, in the registry's 32-bit view
// for every program, x86 or x64: a switch between the x86 and x64 packages keeps every value,
// and the driver package's 32-bit tools see them. (32-bit Windows has one view and ignores the
// flag.) The SYSTEM hive has one view.
const wchar_t* const TouchOptionsKey = L"SOFTWARE\\TQ_Automation\\Touch";
// The touch service's own key. Its volatile subkey Running exists while the watcher runs, so a
// start after a crash knows that touch clicks may still be suspended.
const wchar_t* const TouchServiceKey = L"SYSTEM\\CurrentControlSet\\Services\\TqTouchSvc";
const wchar_t* const ServiceRunningKeyPart = L"Running";
// Options of the touch service.
const wchar_t* const ServiceParametersKey =
    L"SYSTEM\\CurrentControlSet\\Services\\TqTouchSvc\\Parameters";

// Driver parameters.
const wchar_t* const InputModeName = L"InputMode";
const DWORD InputModeDefault = 0; // 0 not set, 1 touch as mouse, 2 Windows touch support
const DWORD InputModeMouse = 1;
const DWORD InputModeWindowsTouch = 2;
const wchar_t* const ClickModeName = L"ClickMode";
const DWORD ClickModeDefault = 0; // 0 emulate mouse, 1 click on touch, 2 click on release
const DWORD ClickModeOnRelease = 2;
const wchar_t* const RightClickEnableName = L"RightClickEnable";
const DWORD RightClickEnableDefault = 1;
const wchar_t* const RightClickTimeoutName = L"RightClickTimeout";
const DWORD RightClickTimeoutDefault = 800;
const wchar_t* const RightClickDistanceName = L"RightClickDistance";
const wchar_t* const RightClickDistanceXName = L"RightClickDistanceX";
const wchar_t* const RightClickDistanceYName = L"RightClickDistanceY";
const wchar_t* const BeepName = L"Beep";
const DWORD BeepDefault = 0;

// The driver's touch range is 0 to 4095 in both directions.
const DWORD TouchRange = 4095;
// Press-and-hold tolerance in pixels when none is stored: 50 touch units on this screen.
inline DWORD RightClickDistanceDefault(DWORD screenWidth)
{
    return screenWidth * 50 / TouchRange;
}
// RightClickDistanceX and Y: the pixel tolerance in touch units for a screen extent.
inline DWORD RightClickDistanceInTouchUnits(DWORD distance, DWORD screenExtent)
{
    return screenExtent ? distance * TouchRange / screenExtent : 0;
}

// Calibration record values, signed 32-bit each.
const wchar_t* const A1Name = L"A1";
const wchar_t* const B1Name = L"B1";
const wchar_t* const C1Name = L"C1";
const wchar_t* const A2Name = L"A2";
const wchar_t* const B2Name = L"B2";
const wchar_t* const C2Name = L"C2";
const wchar_t* const DeltaName = L"Delta";
const wchar_t* const ValidName = L"Valid";
const wchar_t* const CXName = L"CX";
const wchar_t* const CYName = L"CY";

// Calibration and package options.
const wchar_t* const CalibPointsName = L"CalibPoints";
const DWORD CalibPointsDefault = 5;
const wchar_t* const CalibMarginName = L"CalibMargin";
const DWORD CalibMarginDefault = 10;
const wchar_t* const CalibTimeoutName = L"CalibTimeout";
const DWORD CalibTimeoutDefault = 1;
const wchar_t* const CalibTimeoutHitName = L"CalibTimeoutHit";
const DWORD CalibTimeoutHitDefault = 10;
const wchar_t* const CalibTimeoutAcceptName = L"CalibTimeoutAccept";
const DWORD CalibTimeoutAcceptDefault = 15;
const wchar_t* const MaxCalErrorName = L"MaxCalError";
const DWORD MaxCalErrorDefault = 30;
const wchar_t* const VersionName = L"Version";
const DWORD VersionBytes = 512;
const wchar_t* const MinDoubleClickTimeName = L"MinDoubleClickTime";
const DWORD MinDoubleClickTimeDefault = 500;
const wchar_t* const MinDoubleClickWidthName = L"MinDoubleClickWidth";
const DWORD MinDoubleClickWidthDefault = 40;
const wchar_t* const MinDoubleClickHeightName = L"MinDoubleClickHeight";
const DWORD MinDoubleClickHeightDefault = 40;

// Service options.
const wchar_t* const CycleTimeName = L"CycleTime";
const DWORD CycleTimeDefault = 1000;
const wchar_t* const TouchClickSuspendTimeName = L"TouchClickSuspendTime";
const DWORD TouchClickSuspendTimeDefault = 500;
const wchar_t* const CheckScreenSaverName = L"CheckScreenSaver";
const DWORD CheckScreenSaverDefault = 0;
const wchar_t* const CheckMonitorStateName = L"CheckMonitorState";
const DWORD CheckMonitorStateDefault = 1;

// The helpers below return a success flag and leave the registry's error in the last error.

// The view flag for a key under HKEY_LOCAL_MACHINE: KEY_WOW64_32KEY for TouchOptionsKey and its
// subkeys, else 0.
REGSAM RegViewOf(const wchar_t* path);
// Opens an existing key under HKEY_LOCAL_MACHINE.
bool OpenRegKey(const wchar_t* path, REGSAM access, HKEY* key);
// Opens the key, creating it when missing (no class, no options).
bool CreateRegKey(const wchar_t* path, REGSAM access, HKEY* key);

// Deletes a key under HKEY_LOCAL_MACHINE that has no subkeys, with its values.
bool DeleteRegKey(const wchar_t* path);

// Applet, service and TqTouchInit: taken only when the query succeeds as REG_DWORD.
bool ReadDwordStrict(HKEY key, const wchar_t* name, DWORD* value);
// Calibration program: any value the 4-byte query fills, whatever its type. A shorter value is
// refused, so a half-written buffer never mixes with the default.
bool ReadDwordPermissive(HKEY key, const wchar_t* name, DWORD* value);
// Reads a value of any type as text into text, which holds capacity characters: at most
// (capacity - 1) characters' worth of bytes are read, and the text always ends with a zero
// within them, also when the stored value has none. A longer value fails (ERROR_MORE_DATA).
bool ReadRegString(HKEY key, const wchar_t* name, wchar_t* text, DWORD capacity, DWORD* type);
// Stores a REG_DWORD of 4 bytes.
bool WriteDword(HKEY key, const wchar_t* name, DWORD value);
