#include "system_folder.h"

#include <stdio.h>

// folder (length characters of path) + "\" + name, in place.
static bool AppendName(wchar_t path[MAX_PATH], UINT length, const wchar_t* name)
{
    if (length == 0 || length >= MAX_PATH)
        return false;
    int added = _snwprintf(path + length, MAX_PATH - length, L"\\%s", name);
    if (added < 0 || added >= static_cast<int>(MAX_PATH - length)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return true;
}

bool GetSystemFilePath(const wchar_t* name, wchar_t path[MAX_PATH])
{
    return AppendName(path, GetSystemDirectoryW(path, MAX_PATH), name);
}

bool GetElevatingSystemFilePath(const wchar_t* name, wchar_t path[MAX_PATH])
{
#ifdef _WIN64
    return GetSystemFilePath(name, path);
#else
    // 32-bit Windows has no WOW64 folder and says so; any other failure leaves the folder unknown.
    UINT length = GetSystemWow64DirectoryW(path, MAX_PATH);
    if (length == 0 && GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
        return GetSystemFilePath(name, path);
    return AppendName(path, length, name);
#endif
}
