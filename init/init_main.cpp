// TqTouchInit: raises the double-click settings to their minimums, without a window.
#include <windows.h>

#include "double_click.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    EnforceDoubleClickMinimums();
    return 0;
}
