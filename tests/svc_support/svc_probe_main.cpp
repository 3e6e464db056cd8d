// TqTouchSvc built from the same library, for runs under the real service control manager that
// need what Wine cannot give: its reports land in a file instead of the event log, and on request
// its screen is scripted. Configured from SOFTWARE\TqTouchTests\SvcProbe before it starts.
#include <windows.h>

#include <stdio.h>

#include "log_event.h"
#include "service_host.h"
#include "svc_probe.h"
#include "svc_support.h"

namespace
{

char g_eventFile[MAX_PATH];

void AppendEvent(WORD type, DWORD id, WORD stringCount, const char** strings)
{
    FILE* file = fopen(g_eventFile, "ab");
    if (!file)
        return;
    fprintf(file, "%u %08lx", static_cast<unsigned>(type), static_cast<unsigned long>(id));
    for (WORD i = 0; i < stringCount; ++i)
        fprintf(file, "|%s", strings[i]);
    fputs("\n", file);
    fclose(file);
}

} // namespace

int main(int argc, char** argv)
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, SvcProbeKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return TqTouchSvcMain(argc, argv);
    DWORD size = sizeof(g_eventFile);
    if (RegQueryValueExA(key, "EventFile", NULL, NULL, reinterpret_cast<BYTE*>(g_eventFile),
                         &size) == ERROR_SUCCESS)
        SetEventSink(AppendEvent);
    DWORD failClassDevs = 0;
    DWORD toggleSaver = 0;
    DWORD startDelay = 0;
    size = sizeof(DWORD);
    RegQueryValueExW(key, L"FailClassDevs", NULL, NULL, reinterpret_cast<BYTE*>(&failClassDevs),
                     &size);
    size = sizeof(DWORD);
    RegQueryValueExW(key, L"ToggleSaver", NULL, NULL, reinterpret_cast<BYTE*>(&toggleSaver), &size);
    size = sizeof(DWORD);
    RegQueryValueExW(key, L"StartDelayMs", NULL, NULL, reinterpret_cast<BYTE*>(&startDelay), &size);
    RegCloseKey(key);

    if (!failClassDevs && !toggleSaver && !startDelay)
        return TqTouchSvcMain(argc, argv);
    FakeScreen screen;
    screen.FailClassDevs(failClassDevs);
    screen.DelayClassDevs(startDelay);
    // The screen saver runs for two passes and rests for two: a disable and an enable every four
    // passes, as fast as the cycle allows.
    if (toggleSaver)
        screen.OnSaverQuery([&screen](int pass) { screen.SetSaver(pass / 2 % 2 == 0); });
    return TqTouchSvcMain(argc, argv);
}
