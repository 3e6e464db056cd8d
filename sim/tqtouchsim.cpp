// Command line to the simulated touch driver, for the demo and for checks by hand.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "sim_client.h"
#include "tq_driver.h"

namespace
{

const wchar_t* const CodeNames[SimCodeCount] = {L"raw", L"reload", L"info", L"enable", L"disable"};
int Usage()
{
    fwprintf(stderr,
             L"usage: tqtouchsim point N X Y           set the raw point of device N\n"
             L"       tqtouchsim info N TYPE CONNECTION MAJOR MINOR   set its device information\n"
             L"       tqtouchsim fail N CODE COUNT STATUS   fail the next COUNT requests of CODE\n"
             L"       tqtouchsim state N | reset N     show the state, clear the counters\n"
             L"       tqtouchsim CODE N                send a public code, print what it reads\n"
             L"       tqtouchsim restart MASK          restart with the devices of the bit mask\n"
             L"       tqtouchsim setup MASK IMAGE      install the driver service, then restart\n"
             L"CODE: raw reload info enable disable; STATUS 0x103: they hang until a restart\n");
    return 2;
}

bool Number(const wchar_t* text, unsigned long* value)
{
    wchar_t* end = NULL;
    *value = wcstoul(text, &end, 0);
    return *text && !*end;
}

bool Signed(const wchar_t* text, long* value)
{
    wchar_t* end = NULL;
    *value = wcstol(text, &end, 0);
    return *text && !*end;
}

bool Device(const wchar_t* text, unsigned* n)
{
    unsigned long value;
    if (!Number(text, &value) || value >= TQTOUCH_MAX_DEVICES)
        return false;
    *n = static_cast<unsigned>(value);
    return true;
}

bool Code(const wchar_t* text, SimCode* code)
{
    for (int i = 0; i < SimCodeCount; ++i) {
        if (!wcscmp(text, CodeNames[i])) {
            *code = static_cast<SimCode>(i);
            return true;
        }
    }
    return false;
}

void PrintValues(const wchar_t* label, const wchar_t* const* names, int count, uint32_t present,
                 const int32_t* values)
{
    wprintf(L"%ls", label);
    for (int i = 0; i < count; ++i) {
        if (present & (1u << i))
            wprintf(L" %ls=%ld", names[i], static_cast<long>(values[i]));
        else
            wprintf(L" %ls=-", names[i]);
    }
    wprintf(L"\n");
}

void PrintState(const SimState& state)
{
    wprintf(L"device %u\nrequests", state.index);
    for (int i = 0; i < SimCodeCount; ++i)
        wprintf(L" %ls=%u", CodeNames[i], state.requests[i]);
    wprintf(L"\nsequence");
    for (int i = 0; i < SimCodeCount; ++i)
        wprintf(L" %ls=%u", CodeNames[i], state.lastSequence[i]);
    wprintf(L"\nclicks %ls, %u reloads\n", state.clicksEnabled ? L"enabled" : L"disabled",
            state.reloads);
    PrintValues(L"params", SimParamNames, SimParamCount, state.paramsPresent, state.params);
    PrintValues(L"record", SimRecordNames, SIM_RECORD_VALUES, state.recordPresent, state.record);
}

// Sends a public code the way the programs do; the raw point is printed.
bool SendPublic(unsigned n, SimCode code)
{
    const DWORD codes[SimCodeCount] = {IOCTL_TQTOUCH_GET_RAW_POINT, IOCTL_TQTOUCH_RELOAD_PARAMETERS,
                                       IOCTL_TQTOUCH_GET_DEVICE_INFO, IOCTL_TQTOUCH_ENABLE_CLICKS,
                                       IOCTL_TQTOUCH_DISABLE_CLICKS};
    bool clicks = code == SimEnableClicks || code == SimDisableClicks;
    HANDLE device = OpenTouchDevice(n, clicks ? GENERIC_WRITE : GENERIC_READ);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    unsigned char output[sizeof(TouchDeviceInfo)] = {};
    bool ok = TouchControl(device, codes[code], output, sizeof(output));
    DWORD error = GetLastError();
    CloseHandle(device);
    if (ok && code == SimGetRawPoint) {
        TouchRawPoint point;
        memcpy(&point, output, sizeof(point));
        wprintf(L"%ld %ld\n", static_cast<long>(point.x), static_cast<long>(point.y));
    } else if (ok && code == SimGetDeviceInfo) {
        TouchDeviceInfo info;
        memcpy(&info, output, sizeof(info));
        wprintf(L"type %u connection %u firmware %u.%u\n", info.controllerType, info.connection,
                info.firmwareMajor, info.firmwareMinor);
    }
    SetLastError(error);
    return ok;
}

// Returns -1 for a malformed command line, else the operation's success.
int Run(int argc, wchar_t** argv)
{
    const wchar_t* command = argv[1];
    unsigned n = 0;
    unsigned long a, b, c, d;
    long x, y;
    if (!wcscmp(command, L"restart") && argc == 3 && Number(argv[2], &a))
        return SimRestartDriver(static_cast<uint32_t>(a));
    if (!wcscmp(command, L"setup") && argc == 4 && Number(argv[2], &a))
        return SimInstallDriver(argv[3]) && SimRestartDriver(static_cast<uint32_t>(a));
    if (argc < 3 || !Device(argv[2], &n))
        return -1;
    if (!wcscmp(command, L"point") && argc == 5 && Signed(argv[3], &x) && Signed(argv[4], &y))
        return SimSetRawPoint(n, static_cast<int32_t>(x), static_cast<int32_t>(y));
    SimCode code;
    if (argc == 3 && Code(command, &code))
        return SendPublic(n, code);
    if (!wcscmp(command, L"info") && argc == 7 && Number(argv[3], &a) && Number(argv[4], &b) &&
        Number(argv[5], &c) && Number(argv[6], &d) && c <= 255 && d <= 255) {
        TouchDeviceInfo info = {static_cast<uint32_t>(a),
                                static_cast<uint32_t>(b),
                                static_cast<uint8_t>(d),
                                static_cast<uint8_t>(c),
                                {0, 0}};
        return SimSetDeviceInfo(n, info);
    }
    if (!wcscmp(command, L"fail") && argc == 6 && Code(argv[3], &code) && Number(argv[4], &a) &&
        Number(argv[5], &b))
        return SimFailNext(n, code, static_cast<uint32_t>(a), static_cast<uint32_t>(b));
    if (!wcscmp(command, L"state") && argc == 3) {
        SimState state;
        if (!SimReadState(n, &state))
            return false;
        PrintState(state);
        return true;
    }
    if (!wcscmp(command, L"reset") && argc == 3)
        return SimResetCounters(n);
    return -1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    int result = Run(argc, argv);
    if (result < 0)
        return Usage();
    if (!result) {
        DWORD error = GetLastError();
        fwprintf(stderr, L"tqtouchsim %ls: failed with error %lu (0x%08lX)\n", argv[1], error,
                 error);
        return 1;
    }
    return 0;
}
