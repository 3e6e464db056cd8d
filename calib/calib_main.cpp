#include <windows.h>

#include "calib_startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    return RunCalibProgram(instance, commandLine);
}
