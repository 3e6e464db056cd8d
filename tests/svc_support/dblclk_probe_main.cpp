// Prints the double-click time, width and height as a freshly started program sees them; with
// "set TIME WIDTH HEIGHT" it first stores those (the demo's starting point).
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    if (argc == 5 && strcmp(argv[1], "set") == 0) {
        const UINT flags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;
        SystemParametersInfoA(SPI_SETDOUBLECLICKTIME, strtoul(argv[2], NULL, 0), NULL, flags);
        SystemParametersInfoA(SPI_SETDOUBLECLKWIDTH, strtoul(argv[3], NULL, 0), NULL, flags);
        SystemParametersInfoA(SPI_SETDOUBLECLKHEIGHT, strtoul(argv[4], NULL, 0), NULL, flags);
    }
    printf("%u %d %d\n", GetDoubleClickTime(), GetSystemMetrics(SM_CXDOUBLECLK),
           GetSystemMetrics(SM_CYDOUBLECLK));
    return 0;
}
