// Stands in for the system's control.exe, which starts and ends without a trace under Wine:
// appends its arguments to control_probe.log beside itself and ends.
#include <windows.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(NULL, path, MAX_PATH);
    wcscpy(wcsrchr(path, L'\\') + 1, L"control_probe.log");
    FILE* log = _wfopen(path, L"a");
    if (!log)
        return 1;
    for (int i = 1; i < argc; ++i)
        fprintf(log, i == 1 ? "%ls" : " %ls", argv[i]);
    fprintf(log, "\n");
    fclose(log);
    return 0;
}
