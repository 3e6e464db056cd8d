// TqTouchSvc.exe under Wine's real service control manager, with the simulated driver: install,
// start, stop, remove, and (through the probe build) a failing start and the error throttle.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>
#include <vector>

#include "reg_fixture.h"
#include "sim_client.h"
#include "svc_probe.h"
#include "svc_support.h"
#include "tq_registry.h"

namespace
{

const char* const Name = "TqTouchSvc";

std::string ErrorText(DWORD error)
{
    char text[1024];
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                        text, sizeof(text), NULL))
        return "";
    std::string result = text;
    result.resize(result.size() - 2);
    char code[16];
    snprintf(code, sizeof(code), " (0x%x)", static_cast<unsigned>(error));
    return result + code;
}

std::string Command(const std::string& exe, const char* option)
{
    std::string output;
    DWORD exitCode = 99;
    EXPECT_TRUE(RunChild(exe + " " + option, &output, &exitCode, 60000)) << option;
    EXPECT_EQ(0u, exitCode) << option;
    return output;
}

class SvcScm : public testing::Test
{
  protected:
    void SetUp() override
    {
        manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(nullptr, manager) << GetLastError();
        Uninstall();
        DeleteTree(SvcProbeKey);
        DeleteFileA(eventFile.c_str());
    }
    void TearDown() override
    {
        Uninstall();
        CloseServiceHandle(manager);
        DeleteTree(SvcProbeKey);
        DeleteFileA(eventFile.c_str());
        EXPECT_TRUE(SimRestartDriver(SimDefaultDevices)) << GetLastError();
    }

    // Stops and deletes whatever an earlier run left behind.
    void Uninstall()
    {
        SC_HANDLE service = OpenServiceA(manager, Name, SERVICE_ALL_ACCESS);
        if (!service)
            return;
        Stop(service);
        DeleteService(service);
        CloseServiceHandle(service);
    }

    SC_HANDLE Open()
    {
        SC_HANDLE service = OpenServiceA(manager, Name, SERVICE_ALL_ACCESS);
        EXPECT_NE(nullptr, service) << GetLastError();
        return service;
    }

    static SERVICE_STATUS_PROCESS Query(SC_HANDLE service)
    {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        EXPECT_TRUE(QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                         reinterpret_cast<BYTE*>(&status), sizeof(status),
                                         &needed));
        return status;
    }

    static bool WaitForState(SC_HANDLE service, DWORD state, DWORD timeoutMs)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            SERVICE_STATUS status;
            if (QueryServiceStatus(service, &status) && status.dwCurrentState == state)
                return true;
            if (GetTickCount() - start > timeoutMs)
                return false;
            Sleep(10);
        }
    }

    // Starts the service and waits for SERVICE_RUNNING.
    void StartRunning(SC_HANDLE service)
    {
        ASSERT_TRUE(StartServiceA(service, 0, NULL)) << GetLastError();
        ASSERT_TRUE(WaitForState(service, SERVICE_RUNNING, 20000));
    }

    // Stops the service and waits for SERVICE_STOPPED and for its program to end: the service
    // manager refuses a new start (1056) while the last program still runs.
    static bool Stop(SC_HANDLE service)
    {
        SERVICE_STATUS status;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, Query(service).dwProcessId);
        bool stopped = ControlService(service, SERVICE_CONTROL_STOP, &status) &&
                       WaitForState(service, SERVICE_STOPPED, 20000);
        if (process) {
            stopped = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0 && stopped;
            CloseHandle(process);
        }
        return stopped;
    }

    void StopStopped(SC_HANDLE service)
    {
        ASSERT_TRUE(Stop(service)) << GetLastError();
    }

    // The probe's event file: one "type id|string" line per report.
    std::vector<std::string> Events()
    {
        return Lines(ReadWholeFile(eventFile));
    }

    void UseProbe()
    {
        SetString(SvcProbeKey, L"EventFile",
                  std::wstring(eventFile.begin(), eventFile.end()).c_str());
        ASSERT_EQ("Touch Screen installed.\n", Lines(Command(probe, "-install")).at(0) + "\n");
    }

    SC_HANDLE manager = NULL;
    const std::string exe = WindowsPath(TQ_SVC_EXE);
    const std::string probe = WindowsPath(TQ_SVC_PROBE_EXE);
    const std::string eventFile = WindowsPath(TQ_HARNESS_DIR "/svc_events.txt");
};

TEST_F(SvcScm, InstallRegistersTheServiceWithoutStartingIt)
{
    EXPECT_EQ(std::vector<std::string>{"Touch Screen installed."}, Lines(Command(exe, "-install")));
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);

    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(&buffer[0]),
                                    static_cast<DWORD>(buffer.size()), &needed))
        << GetLastError();
    const QUERY_SERVICE_CONFIGA* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(&buffer[0]);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
    EXPECT_EQ("\"" + exe + "\"", config->lpBinaryPathName);
    EXPECT_STREQ("", config->lpLoadOrderGroup ? config->lpLoadOrderGroup : "");
    EXPECT_EQ(0u, config->dwTagId);
    EXPECT_EQ('\0', config->lpDependencies ? config->lpDependencies[0] : '\0');
    EXPECT_STREQ("LocalSystem", config->lpServiceStartName);
    EXPECT_STREQ("Touch Screen", config->lpDisplayName);

    ASSERT_TRUE(QueryServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &buffer[0],
                                     static_cast<DWORD>(buffer.size()), &needed))
        << GetLastError();
    EXPECT_STREQ("Supports touch screen operations (monitor on/off handling etc.).",
                 reinterpret_cast<SERVICE_DESCRIPTIONA*>(&buffer[0])->lpDescription);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), Query(service).dwCurrentState);
    CloseServiceHandle(service);

    EXPECT_EQ("CreateService failed - " + ErrorText(ERROR_SERVICE_EXISTS),
              Lines(Command(exe, "-install")).at(0));
}

TEST_F(SvcScm, RunsUntilStoppedThenEnablesEveryPresentDeviceOnce)
{
    const unsigned present[] = {0, 1, 3};
    ASSERT_TRUE(SimRestartDriver(0xB)) << GetLastError();
    Command(exe, "-install");
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);
    StartRunning(service);
    SERVICE_STATUS_PROCESS status = Query(service);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_POWEREVENT),
              status.dwControlsAccepted);
    EXPECT_EQ(0u, status.dwCheckPoint);
    EXPECT_EQ(0u, status.dwWaitHint);
    EXPECT_EQ(0u, status.dwWin32ExitCode);
    EXPECT_NE(0u, status.dwProcessId);

    // Wine's monitors tell no power state: the screen stays lit and nothing is sent.
    Sleep(2500);
    for (unsigned n : present) {
        SimState state = {};
        ASSERT_TRUE(SimReadState(n, &state));
        for (int code = 0; code < SimCodeCount; ++code)
            EXPECT_EQ(0u, state.requests[code]) << "device " << n << " code " << code;
    }
    SERVICE_STATUS interrogated;
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &interrogated));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Query(service).dwCurrentState);

    StopStopped(service); // the program ends too
    status = Query(service);
    EXPECT_EQ(0u, status.dwWin32ExitCode);
    EXPECT_EQ(0u, status.dwServiceSpecificExitCode);
    EXPECT_EQ(0u, status.dwCheckPoint);

    uint32_t lastSequence = 0;
    for (unsigned n : present) {
        SimState state = {};
        ASSERT_TRUE(SimReadState(n, &state));
        EXPECT_EQ(1u, state.requests[SimEnableClicks]) << "device " << n;
        for (int code = 0; code < SimCodeCount; ++code) {
            if (code != SimEnableClicks) {
                EXPECT_EQ(0u, state.requests[code]) << "device " << n << " code " << code;
            }
        }
        // One pass over the devices in ascending order.
        EXPECT_GT(state.lastSequence[SimEnableClicks], lastSequence) << "device " << n;
        lastSequence = state.lastSequence[SimEnableClicks];
    }
    CloseServiceHandle(service);
}

TEST_F(SvcScm, StopDuringALongCycleIsServedAtOnce)
{
    Command(exe, "-install");
    SetDword(ServiceParametersKey, CycleTimeName, 60000);
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);
    StartRunning(service);
    Sleep(1500); // the watcher is well into its 60-second wait
    ASSERT_TRUE(SimResetCounters(0));

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    StopStopped(service);
    QueryPerformanceCounter(&end);
    const double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    printf("stop latency with CycleTime 60000: %.0f ms\n", ms);
    RecordProperty("stop_latency_ms", static_cast<int>(ms));
    EXPECT_LT(ms, 3000.0);
    SimState state = {};
    ASSERT_TRUE(SimReadState(0, &state));
    EXPECT_EQ(1u, state.requests[SimEnableClicks]);
    CloseServiceHandle(service);
}

TEST_F(SvcScm, RemoveStopsARunningServiceFirst)
{
    Command(exe, "-install");
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);
    StartRunning(service);
    CloseServiceHandle(service);

    const std::vector<std::string> expected = {"Stopping Touch Screen.", "Touch Screen stopped.",
                                               "Touch Screen removed."};
    EXPECT_EQ(expected, Lines(Command(exe, "-remove")));
    EXPECT_EQ(nullptr, OpenServiceA(manager, Name, SERVICE_QUERY_STATUS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
}

TEST_F(SvcScm, RemoveOfAStoppedServicePrintsOnlyTheRemoval)
{
    Command(exe, "-install");
    EXPECT_EQ(std::vector<std::string>{"Touch Screen removed."}, Lines(Command(exe, "-remove")));
    EXPECT_EQ(
        std::vector<std::string>{"OpenService failed - " + ErrorText(ERROR_SERVICE_DOES_NOT_EXIST)},
        Lines(Command(exe, "-remove")));
}

TEST_F(SvcScm, StartPendingCarriesTheFirstCheckPointAndAcceptsNothing)
{
    SetDword(SvcProbeKey, L"StartDelayMs", 2000);
    UseProbe();
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);
    ASSERT_TRUE(StartServiceA(service, 0, NULL)) << GetLastError();
    SERVICE_STATUS_PROCESS status = Query(service);
    ASSERT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), status.dwCurrentState);
    EXPECT_EQ(1u, status.dwCheckPoint);
    EXPECT_EQ(3000u, status.dwWaitHint);
    EXPECT_EQ(0u, status.dwControlsAccepted);
    SERVICE_STATUS refused;
    EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &refused));
    ASSERT_TRUE(WaitForState(service, SERVICE_RUNNING, 20000));
    StopStopped(service);
    EXPECT_TRUE(Events().empty());
    CloseServiceHandle(service);
}

TEST_F(SvcScm, FailedStartKeepsItsOwnExitCode)
{
    SetDword(SvcProbeKey, L"FailClassDevs", ERROR_ACCESS_DENIED);
    UseProbe();
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);
    ASSERT_TRUE(StartServiceA(service, 0, NULL)) << GetLastError();
    ASSERT_TRUE(WaitForState(service, SERVICE_STOPPED, 20000));
    Sleep(500); // a second report would come right after the first
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_MONITOR_HANDLE), Query(service).dwWin32ExitCode);
    std::string denied = ErrorText(ERROR_ACCESS_DENIED);
    denied = denied.substr(0, denied.find(" (0x") - 1); // without the period
    EXPECT_EQ(std::vector<std::string>{"1 c0000008|" + denied}, Events());
    CloseServiceHandle(service);
}

TEST_F(SvcScm, ErrorThrottleStartsAgainWithEachStart)
{
    // Four devices that fail every click code, and a screen saver that comes and goes as fast
    // as the watcher looks.
    ASSERT_TRUE(SimRestartDriver(0xF));
    for (unsigned n = 0; n < 4; ++n) {
        ASSERT_TRUE(SimFailNext(n, SimEnableClicks, 100000, 0xC00000A3));
        ASSERT_TRUE(SimFailNext(n, SimDisableClicks, 100000, 0xC00000A3));
    }
    SetDword(SvcProbeKey, L"ToggleSaver", 1);
    UseProbe();
    SetDword(ServiceParametersKey, CycleTimeName, 0);
    SetDword(ServiceParametersKey, TouchClickSuspendTimeName, 0);
    SetDword(ServiceParametersKey, CheckScreenSaverName, 1);
    SetDword(ServiceParametersKey, CheckMonitorStateName, 0);
    SC_HANDLE service = Open();
    ASSERT_NE(nullptr, service);
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(SimResetCounters(3));
        StartRunning(service);
        // Well past the hundredth failure: 4 per click code, on the last device as well.
        const DWORD start = GetTickCount();
        SimState state = {};
        while (GetTickCount() - start < 20000 && SimReadState(3, &state) &&
               state.requests[SimEnableClicks] + state.requests[SimDisableClicks] < 60)
            Sleep(20);
        StopStopped(service);
        const std::vector<std::string> events = Events();
        ASSERT_EQ(100u, events.size()) << "run " << run;
        for (size_t i = 0; i < 99; ++i)
            EXPECT_EQ("1 c0000007|", events[i].substr(0, 11)) << i;
        EXPECT_EQ("4 40000003", events[99]) << "run " << run;
        DeleteFileA(eventFile.c_str());
    }
    CloseServiceHandle(service);
}

// A driver that never answers: the stop ends after its bound, logged, and -remove waits for it.
TEST_F(SvcScm, StopEndsWhenTheDriverHangs)
{
    UseProbe();
    SC_HANDLE service = Open();
    StartRunning(service);
    CloseServiceHandle(service);
    ASSERT_TRUE(SimFailNext(0, SimEnableClicks, 1, SimHang));
    const DWORD start = GetTickCount();
    const std::vector<std::string> lines = Lines(Command(probe, "-remove"));
    printf("-remove with a hanging driver: %lu ms\n", GetTickCount() - start);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(0u, lines[0].find("Stopping Touch Screen...............")) << lines[0];
    EXPECT_EQ("Touch Screen stopped.", lines[1]);
    const std::string timeout = ErrorText(ERROR_TIMEOUT); // without its period, as logged
    EXPECT_EQ("1 c0000007|" + timeout.substr(0, timeout.find(" (0x") - 1), Events().at(0));
}

// After a crash the next start enables touch clicks (Wine still says RUNNING, but starts it).
TEST_F(SvcScm, StartAfterACrashEnablesTouchClicks)
{
    Command(exe, "-install");
    SC_HANDLE service = Open();
    StartRunning(service);
    HANDLE process =
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, Query(service).dwProcessId);
    ASSERT_TRUE(TerminateProcess(process, 3));
    WaitForSingleObject(process, 20000);
    CloseHandle(process);
    ASSERT_TRUE(SimResetCounters(0));
    ASSERT_TRUE(StartServiceA(service, 0, NULL)) << GetLastError();
    SimState state = {};
    for (const DWORD start = GetTickCount(); SimReadState(0, &state) &&
                                             !state.requests[SimEnableClicks] &&
                                             GetTickCount() - start < 20000;)
        Sleep(20);
    EXPECT_EQ(1u, state.requests[SimEnableClicks]);
    CloseServiceHandle(service);
}

} // namespace
