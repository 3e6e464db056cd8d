// Full paths of the system's own programs and libraries that the item starts or loads: a search
// by the bare name could find a planted copy first. Below every other unit of the item.
#pragma once

#include <windows.h>

// The full path of a file of the system folder.
bool GetSystemFilePath(const wchar_t* name, wchar_t path[MAX_PATH]);
// The full path of a system program that the item starts with the verb "runas", in the system
// folder of the item's own architecture: a start that asks for elevation is not redirected under
// WOW64, so System32 would give the 32-bit item the 64-bit program.
bool GetElevatingSystemFilePath(const wchar_t* name, wchar_t path[MAX_PATH]);
