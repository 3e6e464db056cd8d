// The screen-state watcher: the service parameters, AllMonitorsAsleep over a scripted monitor
// list, and the decision table walked pass by pass against the simulated driver.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "log_event.h"
#include "reg_fixture.h"
#include "sim_client.h"
#include "svc_support.h"
#include "tq_registry.h"
#include "watcher.h"

namespace
{

FakeMonitor Monitor(DWORD state, const std::string& id = "DISPLAY\\DEL4062\\5&2a1f&0&UID4352")
{
    return FakeMonitor{id, state, 0, 0};
}

FakeMonitor Unreadable(DWORD error = ERROR_INVALID_DATA)
{
    FakeMonitor monitor = Monitor(PowerDeviceD0);
    monitor.powerError = error;
    return monitor;
}

// The trace lines without their time stamps ("HH:MM:SS.mmm: ").
std::vector<std::string> Unstamped(const std::string& text)
{
    std::vector<std::string> lines = Lines(text);
    for (std::string& line : lines)
        if (line.size() > 14 && line[2] == ':' && line[8] == '.' && line.substr(12, 2) == ": ")
            line = line.substr(14);
    return lines;
}

class SvcParameters : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(ServiceParametersKey);
        SetDebugMode(true);
    }
    void TearDown() override
    {
        SetDebugMode(false);
        DeleteTree(ServiceParametersKey);
    }
    std::vector<std::string> Read(ServiceParameters* params)
    {
        StdoutCapture capture;
        EXPECT_TRUE(ReadServiceParameters(params));
        return Lines(capture.Finish());
    }
};

TEST_F(SvcParameters, MissingKeyKeepsTheDefaults)
{
    ServiceParameters params;
    const std::vector<std::string> expected = {
        "Parameters key not found: using default values", "Cycle time: 1000",
        "Touch click suspend time: 500", "Check screen saver: no", "Check monitor state: yes"};
    EXPECT_EQ(expected, Read(&params));
    EXPECT_EQ(1000u, params.cycleTime);
    EXPECT_EQ(500u, params.suspendTime);
    EXPECT_FALSE(params.checkScreenSaver);
    EXPECT_TRUE(params.checkMonitorState);
}

TEST_F(SvcParameters, DwordValuesAreTakenOthersIgnored)
{
    SetDword(ServiceParametersKey, CycleTimeName, 60000);
    SetString(ServiceParametersKey, TouchClickSuspendTimeName, L"10");
    SetDword(ServiceParametersKey, CheckScreenSaverName, 5);
    const DWORD zero = 0;
    SetRaw(ServiceParametersKey, CheckMonitorStateName, REG_BINARY, &zero, sizeof(zero));
    ServiceParameters params;
    const std::vector<std::string> expected = {"Cycle time: 60000", "Touch click suspend time: 500",
                                               "Check screen saver: yes",
                                               "Check monitor state: yes"};
    EXPECT_EQ(expected, Read(&params));

    SetDword(ServiceParametersKey, CheckMonitorStateName, 0);
    SetDword(ServiceParametersKey, TouchClickSuspendTimeName, 0);
    Read(&params);
    EXPECT_FALSE(params.checkMonitorState);
    EXPECT_EQ(0u, params.suspendTime);
}

// The tests that read the trace switch debug mode on.
class SvcMonitors : public testing::Test
{
  protected:
    void TearDown() override
    {
        SetDebugMode(false);
    }
    bool Asleep(const std::vector<FakeMonitor>& monitors)
    {
        screen.SetMonitors(monitors);
        CloseMonitorList();
        EXPECT_TRUE(OpenMonitorList());
        return AllMonitorsAsleep();
    }
    FakeScreen screen;
};

TEST_F(SvcMonitors, AsleepOnlyWhenEveryReadableMonitorIsInD1ToD3)
{
    EXPECT_FALSE(AllMonitorsAsleep()) << "no list open";
    EXPECT_FALSE(Asleep({})) << "no monitor in the list";
    EXPECT_FALSE(Asleep({Monitor(PowerDeviceUnspecified)}));
    EXPECT_FALSE(Asleep({Monitor(PowerDeviceD0)}));
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD1)}));
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD2)}));
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD3)}));
    EXPECT_FALSE(Asleep({Monitor(PowerDeviceD3), Monitor(PowerDeviceD0)}));
    EXPECT_FALSE(Asleep({Monitor(PowerDeviceD0), Monitor(PowerDeviceD3)}));
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD3), Monitor(PowerDeviceD2)}));
}

TEST_F(SvcMonitors, UnreadablePowerDataNeitherWakesNorDarkens)
{
    EXPECT_FALSE(Asleep({Unreadable()}));
    EXPECT_FALSE(Asleep({Unreadable(), Unreadable(ERROR_ACCESS_DENIED)}));
    EXPECT_TRUE(Asleep({Unreadable(), Monitor(PowerDeviceD3)}));
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD3), Unreadable()}));
    EXPECT_FALSE(Asleep({Unreadable(), Monitor(PowerDeviceD0)}));
}

// The display state the system announces is one more monitor with power data (off and dimmed
// asleep): alone, beside a lit monitor, beside a sleeping one. Other settings change nothing.
TEST_F(SvcMonitors, AnnouncedDisplayStateCountsAsOneMoreMonitor)
{
    const GUID other = {};
    const struct {
        const GUID* setting;
        DWORD length, state;
        bool noted, asleep;
    } rows[] = {
        {&ConsoleDisplayState, 4, 0, true, true},   {&ConsoleDisplayState, 4, 2, true, true},
        {&MonitorPowerOn, 4, 1, true, false},       {&MonitorPowerOn, 4, 2, false, false},
        {&ConsoleDisplayState, 2, 0, false, false}, {&other, 4, 0, false, false}};
    for (const auto& row : rows) {
        ForgetDisplayState();
        struct {
            POWERBROADCAST_SETTING header;
            BYTE rest[3];
        } setting = {{*row.setting, row.length, {0}}, {0}};
        memcpy(setting.header.Data, &row.state, sizeof(row.state));
        EXPECT_EQ(row.noted, NotePowerSetting(&setting.header)) << row.state;
        EXPECT_EQ(row.asleep, Asleep({})) << row.state;
        EXPECT_FALSE(Asleep({Monitor(PowerDeviceD0)})) << row.state;
        EXPECT_EQ(row.asleep || !row.noted, Asleep({Monitor(PowerDeviceD3)})) << row.state;
    }
    ForgetDisplayState();
}

TEST_F(SvcMonitors, IgnoredInstanceIdIsNotCounted)
{
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD0, IgnoredMonitorId), Monitor(PowerDeviceD3)}));
    EXPECT_FALSE(Asleep({Monitor(PowerDeviceD3, IgnoredMonitorId)})) << "none left to count";
    std::string lower = IgnoredMonitorId;
    for (char& c : lower)
        c = static_cast<char>(tolower(c));
    EXPECT_TRUE(Asleep({Monitor(PowerDeviceD0, lower), Monitor(PowerDeviceD3)}));
    // Near misses count as screens.
    for (const char* id : {"4&8087ab12&00&23", // "&22" must end it
                           "DISPLAY\\X\\4&8087ab12&0&22", "DISPLAY\\X\\4&808ab12&00&22",
                           "&8087ab12&00&22"}) { // 15 characters: not longer than 15
        EXPECT_FALSE(Asleep({Monitor(PowerDeviceD0, id), Monitor(PowerDeviceD3)})) << id;
    }
    // An id that cannot be read is no reason to skip the monitor.
    FakeMonitor noId = Monitor(PowerDeviceD0);
    noId.idError = ERROR_INSUFFICIENT_BUFFER;
    SetDebugMode(true);
    StdoutCapture capture;
    EXPECT_FALSE(Asleep({Monitor(PowerDeviceD3), noId}));
    const std::vector<std::string> lines = Lines(capture.Finish());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("SetupDiGetDeviceInstanceId(1) failed, error 0000007ah", lines[1]);
}

TEST_F(SvcMonitors, TraceShowsEachChangeOnce)
{
    SetDebugMode(true);
    StdoutCapture capture;
    screen.SetMonitors({Monitor(PowerDeviceD0), Unreadable(ERROR_INVALID_DATA)});
    ASSERT_TRUE(OpenMonitorList());
    AllMonitorsAsleep();
    AllMonitorsAsleep();
    screen.SetAllPowerStates(PowerDeviceD3);
    AllMonitorsAsleep();
    AllMonitorsAsleep();
    // Monitor 1 becomes readable, then fails again with the same error: shown again.
    screen.SetMonitors({Monitor(PowerDeviceD3), Monitor(PowerDeviceD2)});
    AllMonitorsAsleep();
    screen.SetMonitors({Monitor(PowerDeviceD0), Unreadable(ERROR_INVALID_DATA)});
    AllMonitorsAsleep();
    AllMonitorsAsleep();
    screen.SetEnumEndError(ERROR_INVALID_HANDLE);
    AllMonitorsAsleep();
    const std::vector<std::string> expected = {
        "Monitor 0: State=PowerDeviceD0",
        "SetupDiGetDeviceRegistryProperty(1) failed, error 0000000dh",
        "Monitor 0: State=PowerDeviceD3",
        "Monitor 1: State=PowerDeviceD2",
        "Monitor 0: State=PowerDeviceD0",
        "SetupDiGetDeviceRegistryProperty(1) failed, error 0000000dh",
        "Last call to SetupDiEnumDeviceInfo(2) failed, error 00000006h",
    };
    EXPECT_EQ(expected, Lines(capture.Finish()));
}

TEST_F(SvcMonitors, MonitorsBeyondTheHundredthCountButAreNotTraced)
{
    std::vector<FakeMonitor> many(101, Monitor(PowerDeviceD3));
    SetDebugMode(true);
    StdoutCapture capture;
    EXPECT_TRUE(Asleep(many));
    many[100].powerState = PowerDeviceD0;
    EXPECT_FALSE(Asleep(many));
    const std::vector<std::string> lines = Lines(capture.Finish());
    ASSERT_EQ(200u, lines.size());
    EXPECT_EQ("Monitor 99: State=PowerDeviceD3", lines[99]);
}

TEST_F(SvcMonitors, ListIsBuiltOnceAndFailureIsReported)
{
    EXPECT_TRUE(OpenMonitorList());
    EXPECT_TRUE(OpenMonitorList());
    AllMonitorsAsleep();
    EXPECT_EQ(1, screen.ClassDevsCalls());
    CloseMonitorList();
    CloseMonitorList();
    EXPECT_EQ(1, screen.DestroyCalls());

    screen.FailClassDevs(ERROR_NOT_ENOUGH_MEMORY);
    SetDebugMode(true);
    StdoutCapture capture;
    EXPECT_FALSE(OpenMonitorList());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    EXPECT_EQ(std::vector<std::string>{"SetupDiGetClassDevs() failed, error 00000008h"},
              Lines(capture.Finish()));
    EXPECT_FALSE(AllMonitorsAsleep());
}

// One pass of the watcher as a scripted screen shows it, and what the pass must do.
enum Action { None, Disable, Enable };
struct Pass {
    bool saver;
    bool monitorsAsleep;
    Action expected;
    bool pendingAfter;
    bool saverQueryFails = false;
    bool stop = false; // the terminate event is signalled during this pass
};

struct Counts {
    uint32_t enable = 0;
    uint32_t disable = 0;
};

Counts ReadCounts()
{
    SimState state = {};
    EXPECT_TRUE(SimReadState(0, &state)) << GetLastError();
    return Counts{state.requests[SimEnableClicks], state.requests[SimDisableClicks]};
}

class SvcWatcher : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(SimResetCounters(0)) << GetLastError();
        terminate = CreateEventA(NULL, TRUE, FALSE, NULL);
        // Two monitors that sleep and wake together, and one that never tells.
        screen.SetMonitors({Monitor(PowerDeviceD0), Monitor(PowerDeviceD0), Unreadable()});
        ASSERT_TRUE(OpenMonitorList());
    }
    void TearDown() override
    {
        CloseHandle(terminate);
    }

    // Runs the watcher over the script; returns each pass's action and start time.
    void Walk(const std::vector<Pass>& passes, const ServiceParameters& params)
    {
        counts.clear();
        times.clear();
        screen.OnSaverQuery([&](int pass) {
            counts.push_back(ReadCounts());
            times.push_back(GetTickCount());
            const Pass& row = passes.at(static_cast<size_t>(pass));
            screen.SetSaver(row.saver, row.saverQueryFails);
            screen.SetAllPowerStates(row.monitorsAsleep ? PowerDeviceD3 : PowerDeviceD0);
            if (row.stop)
                SetEvent(terminate);
        });
        Run(params);
        ASSERT_EQ(passes.size(), counts.size());
        counts.push_back(ReadCounts());

        for (size_t k = 0; k < passes.size(); ++k) {
            Counts done{counts[k + 1].enable - counts[k].enable,
                        counts[k + 1].disable - counts[k].disable};
            if (k + 1 == passes.size()) {
                ASSERT_EQ(1u + (passes[k].expected == Enable), done.enable) << "final enable";
                done.enable -= 1;
            }
            const Action action = done.disable == 1 && done.enable == 0   ? Disable
                                  : done.enable == 1 && done.disable == 0 ? Enable
                                  : done.enable == 0 && done.disable == 0 ? None
                                                                          : Action(-1);
            EXPECT_EQ(passes[k].expected, action) << "pass " << k;
            if (k + 1 < passes.size()) {
                const DWORD period = times[k + 1] - times[k];
                if (passes[k].pendingAfter) {
                    EXPECT_GE(period + 15, params.suspendTime) << "pass " << k;
                    EXPECT_LT(period, params.cycleTime - 200) << "pass " << k;
                } else {
                    EXPECT_GE(period + 15, params.cycleTime) << "pass " << k;
                }
            }
        }
    }

    struct Args {
        const ServiceParameters* params;
        HANDLE terminate;
        std::atomic<bool>* running;
    };
    static DWORD WINAPI WatcherThread(void* p)
    {
        Args* a = static_cast<Args*>(p);
        RunWatcher(*a->params, a->terminate, *a->running);
        return 0;
    }
    void Run(const ServiceParameters& params)
    {
        running = false;
        Args args{&params, terminate, &running};
        HANDLE thread = CreateThread(NULL, 0, WatcherThread, &args, 0, NULL);
        ASSERT_NE(nullptr, thread);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 60000));
        CloseHandle(thread);
        EXPECT_FALSE(running);
    }

    FakeScreen screen;
    HANDLE terminate = NULL;
    std::atomic<bool> running{false};
    std::vector<Counts> counts;
    std::vector<DWORD> times;
};

const ServiceParameters WalkParams = {900, 150, true, true};

TEST_F(SvcWatcher, DecisionTableRowByRow)
{
    Walk(
        {
            {false, false, None, false},   // lit in the first pass: nothing
            {false, false, None, false},   // no change, nothing pending
            {true, false, Disable, false}, // the saver starts
            {true, false, None, false},    // dark without change
            {true, true, Disable, false},  // the monitors sleep too: disabled again
            {false, true, Disable, false}, // the saver stops while they sleep: a second disable
            {false, false, None, true},    // lit again: the enable is pending
            {false, false, Enable, false}, // a pass without change sends it
            {false, false, None, false},   // and nothing more
            {true, false, Disable, false}, //
            {false, false, None, true},    // lit: pending
            {false, true, Disable, true},  // dark again while pending: pending stays, short period
            {false, true, None, true},     // no enable while dark
            {false, false, None, true},    // lit: the wait starts again
            {false, false, Enable, false}, //
            {false, false, None, false, false, true},
        },
        WalkParams);
    // The enable comes at least the suspend time after the screen lit up.
    EXPECT_GE(times[7] - times[6] + 15, WalkParams.suspendTime);
    EXPECT_GE(times[14] - times[13] + 15, WalkParams.suspendTime);
}

TEST_F(SvcWatcher, DarkInTheFirstPassDisablesAtOnce)
{
    SetDebugMode(true);
    StdoutCapture capture;
    Walk({{false, true, Disable, false}, {false, true, None, false, false, true}}, WalkParams);
    const std::vector<std::string> lines = Unstamped(capture.Finish());
    SetDebugMode(false);
    const std::vector<std::string> expected = {
        "Service working...",
        "Screen saver is not running",
        "Monitor 0: State=PowerDeviceD3",
        "Monitor 1: State=PowerDeviceD3",
        "SetupDiGetDeviceRegistryProperty(2) failed, error 0000000dh",
        "Monitor is sleeping",
        "Disable touch clicks",
        "Enable touch clicks",
    };
    EXPECT_EQ(expected, lines);
}

TEST_F(SvcWatcher, FailedSaverQueryCountsAsNotRunningAndKeepsTheLastValue)
{
    Walk(
        {
            {true, false, Disable, false},
            // Not running for this pass, but no change against the last answer.
            {true, false, None, false, true},
            {true, false, None, false},
            {false, false, None, true},
            {false, false, Enable, false, false, true},
        },
        WalkParams);
}

TEST_F(SvcWatcher, StopWhilePendingStillEndsWithAnEnable)
{
    Walk({{true, false, Disable, false}, {false, false, None, true, false, true}}, WalkParams);
}

DWORD WINAPI SignalLater(void* event)
{
    Sleep(300);
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

TEST_F(SvcWatcher, WithBothChecksOffOnlyTheFinalEnableIsSent)
{
    const ServiceParameters params = {10, 10, false, false};
    SetEvent(terminate); // set before the start: the watcher must still enable once
    Run(params);
    ResetEvent(terminate);
    HANDLE stopper = CreateThread(NULL, 0, SignalLater, terminate, 0, NULL);
    Run(params);
    WaitForSingleObject(stopper, 5000);
    CloseHandle(stopper);
    const Counts total = ReadCounts();
    EXPECT_EQ(2u, total.enable);
    EXPECT_EQ(0u, total.disable);
}

} // namespace
