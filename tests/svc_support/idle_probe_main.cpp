// An idle Win32 program: the baseline for the service's benchmark.
#include <windows.h>

int main()
{
    Sleep(INFINITE);
    return 0;
}
