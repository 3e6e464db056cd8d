#include "double_click.h"

#include "tq_registry.h"

namespace
{

// Persistent in the user's profile and announced to every window.
const UINT ChangeFlags = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE;

void RaiseIfBelow(int current, DWORD minimum, UINT action)
{
    if (current < static_cast<int>(minimum))
        SystemParametersInfoW(action, minimum, NULL, ChangeFlags);
}

} // namespace

void ReadDoubleClickMinimums(DoubleClickMinimums* minimums)
{
    minimums->time = MinDoubleClickTimeDefault;
    minimums->width = MinDoubleClickWidthDefault;
    minimums->height = MinDoubleClickHeightDefault;
    HKEY key;
    if (!OpenRegKey(TouchOptionsKey, KEY_READ, &key))
        return;
    ReadDwordStrict(key, MinDoubleClickTimeName, &minimums->time);
    ReadDwordStrict(key, MinDoubleClickWidthName, &minimums->width);
    ReadDwordStrict(key, MinDoubleClickHeightName, &minimums->height);
    RegCloseKey(key);
}

void EnforceDoubleClickMinimums()
{
    DoubleClickMinimums minimums;
    ReadDoubleClickMinimums(&minimums);
    if (GetDoubleClickTime() < minimums.time)
        SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, minimums.time, NULL, ChangeFlags);
    RaiseIfBelow(GetSystemMetrics(SM_CXDOUBLECLK), minimums.width, SPI_SETDOUBLECLKWIDTH);
    RaiseIfBelow(GetSystemMetrics(SM_CYDOUBLECLK), minimums.height, SPI_SETDOUBLECLKHEIGHT);
}
