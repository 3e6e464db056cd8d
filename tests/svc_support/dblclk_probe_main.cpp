// Prints the double-click time, width and height as a freshly started program sees them.
#include <windows.h>

#include <stdio.h>

int main()
{
    printf("%u %d %d\n", GetDoubleClickTime(), GetSystemMetrics(SM_CXDOUBLECLK),
           GetSystemMetrics(SM_CYDOUBLECLK));
    return 0;
}
