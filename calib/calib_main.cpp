#include <windows.h>

#include "calib_startup.h"
#include "tq_startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    RestrictLibrarySearch();
    return RunCalibProgram(instance, commandLine);
}
