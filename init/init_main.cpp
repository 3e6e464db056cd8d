// TqTouchInit: raises the double-click settings to their minimums, without a window.
#include <windows.h>

#include "double_click.h"
#include "tq_startup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    RestrictLibrarySearch();
    EnforceDoubleClickMinimums();
    return 0;
}
