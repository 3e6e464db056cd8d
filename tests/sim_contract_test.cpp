// The simulated touch driver against the contract its callers rely on, through real CreateFile
// and DeviceIoControl in Wine's kernel-driver host.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

#include "reg_fixture.h"
#include "sim_client.h"
#include "tq_driver.h"
#include "tq_registry.h"

namespace
{

class Handle
{
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const
    {
        return handle_;
    }
    bool valid() const
    {
        return handle_ != INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_;
};

// Opens the way every caller does: both share flags, open-existing, synchronous.
HANDLE Open(unsigned n, DWORD access)
{
    wchar_t name[MAX_PATH];
    swprintf(name, MAX_PATH, L"\\\\.\\TqTouch%u", n);
    return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                       NULL);
}

// The error of an open, or 0 when it succeeds.
DWORD OpenError(unsigned n)
{
    Handle device(Open(n, GENERIC_READ));
    return device.valid() ? 0 : GetLastError();
}

// The error of a control code without input, or 0 when it succeeds.
DWORD Send(HANDLE device, DWORD code, void* output = NULL, DWORD outputSize = 0,
           DWORD* returned = NULL)
{
    DWORD count = 0;
    if (DeviceIoControl(device, code, NULL, 0, output, outputSize, &count, NULL)) {
        if (returned)
            *returned = count;
        return 0;
    }
    return GetLastError();
}

SimState State(unsigned n)
{
    SimState state = {};
    EXPECT_TRUE(SimReadState(n, &state)) << GetLastError();
    return state;
}

const DWORD AllCodes[SimCodeCount] = {IOCTL_TQTOUCH_GET_RAW_POINT, IOCTL_TQTOUCH_RELOAD_PARAMETERS,
                                      IOCTL_TQTOUCH_GET_DEVICE_INFO, IOCTL_TQTOUCH_ENABLE_CLICKS,
                                      IOCTL_TQTOUCH_DISABLE_CLICKS};

// Each case starts from a fresh driver with device 0 alone, as every other test program expects
// to find it; a restart takes less than a tenth of a second.
class SimContract : public testing::Test
{
  protected:
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(SimRestartDriver(SimDefaultDevices)) << GetLastError();
    }
    void SetUp() override
    {
        ASSERT_TRUE(SimRestartDriver(SimDefaultDevices)) << GetLastError();
        DeleteTree(TouchParametersKey);
    }
    void TearDown() override
    {
        DeleteTree(TouchParametersKey);
    }
};

TEST_F(SimContract, OpensWithTheCallersModeAndSeveralHandlesAtOnce)
{
    Handle reader(Open(0, GENERIC_READ));
    ASSERT_TRUE(reader.valid()) << GetLastError();
    Handle writer(Open(0, GENERIC_WRITE));
    ASSERT_TRUE(writer.valid()) << GetLastError();
    Handle both(Open(0, GENERIC_READ | GENERIC_WRITE));
    ASSERT_TRUE(both.valid()) << GetLastError();
    Handle viaHelper(OpenTouchDevice(0, GENERIC_READ));
    ASSERT_TRUE(viaHelper.valid()) << GetLastError();
    TouchRawPoint point;
    EXPECT_EQ(0u, Send(reader.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    EXPECT_EQ(0u, Send(writer.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    EXPECT_EQ(0u, Send(both.get(), IOCTL_TQTOUCH_ENABLE_CLICKS));
    EXPECT_EQ(0u, Send(viaHelper.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
}

TEST_F(SimContract, AbsentIndicesDoNotOpen)
{
    EXPECT_EQ(0u, OpenError(0));
    for (unsigned n = 1; n < TQTOUCH_MAX_DEVICES; ++n)
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), OpenError(n)) << n;
}

TEST_F(SimContract, EachCodeAnswersWithItsRecordSize)
{
    Handle device(Open(0, GENERIC_READ | GENERIC_WRITE));
    ASSERT_TRUE(device.valid());
    unsigned char buffer[64];
    DWORD returned = 0;
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, buffer, sizeof(TouchRawPoint),
                       &returned));
    EXPECT_EQ(sizeof(TouchRawPoint), returned);
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_DEVICE_INFO, buffer, sizeof(TouchDeviceInfo),
                       &returned));
    EXPECT_EQ(sizeof(TouchDeviceInfo), returned);
    // A larger buffer is fine; only the record is written.
    EXPECT_EQ(0u,
              Send(device.get(), IOCTL_TQTOUCH_GET_DEVICE_INFO, buffer, sizeof(buffer), &returned));
    EXPECT_EQ(sizeof(TouchDeviceInfo), returned);
    for (DWORD code : {IOCTL_TQTOUCH_RELOAD_PARAMETERS, IOCTL_TQTOUCH_ENABLE_CLICKS,
                       IOCTL_TQTOUCH_DISABLE_CLICKS}) {
        EXPECT_EQ(0u, Send(device.get(), code, NULL, 0, &returned)) << std::hex << code;
        EXPECT_EQ(0u, returned);
    }
}

TEST_F(SimContract, ShortOutputBuffersFail)
{
    Handle device(Open(0, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    unsigned char buffer[16];
    EXPECT_NE(0u,
              Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, buffer, sizeof(TouchRawPoint) - 1));
    EXPECT_NE(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT));
    EXPECT_NE(
        0u, Send(device.get(), IOCTL_TQTOUCH_GET_DEVICE_INFO, buffer, sizeof(TouchDeviceInfo) - 1));
    EXPECT_NE(0u, Send(device.get(), IOCTL_TQTOUCH_GET_DEVICE_INFO));
}

TEST_F(SimContract, UnknownCodesAreRefused)
{
    Handle device(Open(0, GENERIC_READ | GENERIC_WRITE));
    ASSERT_TRUE(device.valid());
    for (DWORD function : {0x803, 0x804, 0x807}) {
        DWORD code = CTL_CODE(TQTOUCH_DEVICE_TYPE, function, METHOD_BUFFERED, FILE_ANY_ACCESS);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FUNCTION), Send(device.get(), code))
            << std::hex << code;
    }
}

TEST_F(SimContract, AccessBitsOfTheCodesAreEnforced)
{
    Handle reader(Open(0, GENERIC_READ));
    Handle writer(Open(0, GENERIC_WRITE));
    ASSERT_TRUE(reader.valid() && writer.valid());
    TouchRawPoint point;
    TouchDeviceInfo info;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Send(reader.get(), IOCTL_TQTOUCH_ENABLE_CLICKS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Send(reader.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Send(writer.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Send(writer.get(), IOCTL_TQTOUCH_GET_DEVICE_INFO, &info, sizeof(info)));
    EXPECT_EQ(0u, Send(reader.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    EXPECT_EQ(0u, Send(writer.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    // Denied requests never reach the driver.
    SimState state = State(0);
    EXPECT_EQ(0u, state.requests[SimEnableClicks]);
    EXPECT_EQ(0u, state.requests[SimDisableClicks]);
    EXPECT_EQ(0u, state.requests[SimGetRawPoint]);
    EXPECT_EQ(0u, state.requests[SimGetDeviceInfo]);
    EXPECT_EQ(2u, state.requests[SimReload]);
    EXPECT_EQ(1u, state.clicksEnabled);
}

TEST_F(SimContract, InjectedTouchIsReadBackAndNotConsumed)
{
    Handle device(Open(0, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    ASSERT_TRUE(SimSetRawPoint(0, 100, 200)) << GetLastError();
    for (int read = 0; read < 2; ++read) {
        TouchRawPoint point = {-1, -1};
        ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
        EXPECT_EQ(100, point.x) << read;
        EXPECT_EQ(200, point.y) << read;
    }
    // The most recent touch wins, on the handle already open.
    ASSERT_TRUE(SimSetRawPoint(0, 4095, -7));
    TouchRawPoint point = {};
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    EXPECT_EQ(4095, point.x);
    EXPECT_EQ(-7, point.y);
    EXPECT_EQ(3u, State(0).requests[SimGetRawPoint]);
}

TEST_F(SimContract, DeviceInformationKeepsItsLayout)
{
    TouchDeviceInfo set = {ControllerElo, ConnectionDirectIo, 7, 2, {0, 0}};
    ASSERT_TRUE(SimSetDeviceInfo(0, set)) << GetLastError();
    Handle device(Open(0, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    unsigned char raw[sizeof(TouchDeviceInfo)];
    memset(raw, 0xCC, sizeof(raw));
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_DEVICE_INFO, raw, sizeof(raw)));
    const unsigned char expected[] = {2, 0, 0, 0, 2, 0, 0, 0, 7, 2, 0, 0};
    EXPECT_EQ(0, memcmp(expected, raw, sizeof(raw)));
}

TEST_F(SimContract, OneEnableUndoesAnyNumberOfDisables)
{
    Handle device(Open(0, GENERIC_WRITE));
    ASSERT_TRUE(device.valid());
    EXPECT_EQ(1u, State(0).clicksEnabled);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    EXPECT_EQ(0u, State(0).clicksEnabled);
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_ENABLE_CLICKS));
    EXPECT_EQ(1u, State(0).clicksEnabled);
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_ENABLE_CLICKS));
    EXPECT_EQ(1u, State(0).clicksEnabled);
    SimState state = State(0);
    EXPECT_EQ(3u, state.requests[SimDisableClicks]);
    EXPECT_EQ(2u, state.requests[SimEnableClicks]);
}

std::wstring CalibrationKey(unsigned n)
{
    return std::wstring(TouchParametersKey) + ScreenKeyPart + std::to_wstring(n) +
           CalibrationKeyPart;
}

void Reload(unsigned n)
{
    Handle device(Open(n, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
}

TEST_F(SimContract, ReloadReadsTheRegistryAsItIsNow)
{
    SetDword(TouchParametersKey, InputModeName, 1);
    SetDword(TouchParametersKey, ClickModeName, 2);
    SetDword(TouchParametersKey, RightClickEnableName, 0);
    SetDword(TouchParametersKey, RightClickTimeoutName, 1200);
    SetDword(TouchParametersKey, RightClickDistanceXName, 200);
    SetDword(TouchParametersKey, RightClickDistanceYName, 266);
    SetDword(TouchParametersKey, BeepName, 1);
    const std::wstring record = CalibrationKey(0);
    const int32_t values[SIM_RECORD_VALUES] = {4, -46, 5, 6, 7, 8, 10, 1, 1024, 768};
    for (int i = 0; i < SIM_RECORD_VALUES; ++i)
        SetDword(record.c_str(), SimRecordNames[i], static_cast<DWORD>(values[i]));
    // Another screen's record is not this device's.
    SetDword(CalibrationKey(1).c_str(), ValidName, 0);
    Reload(0);
    SimState state = State(0);
    EXPECT_EQ(1u, state.reloads);
    EXPECT_EQ((1u << SimParamCount) - 1, state.paramsPresent);
    const int32_t params[SimParamCount] = {1, 2, 0, 1200, 200, 266, 1};
    for (int i = 0; i < SimParamCount; ++i)
        EXPECT_EQ(params[i], state.params[i]) << SimParamNames[i];
    EXPECT_EQ((1u << SIM_RECORD_VALUES) - 1, state.recordPresent);
    for (int i = 0; i < SIM_RECORD_VALUES; ++i)
        EXPECT_EQ(values[i], state.record[i]) << SimRecordNames[i];

    // Changed just before the next reload: the record key gone, one value changed, one deleted.
    DeleteTree(record.c_str());
    SetDword(TouchParametersKey, ClickModeName, 0);
    HKEY key;
    ASSERT_TRUE(OpenRegKey(TouchParametersKey, KEY_SET_VALUE, &key));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key, BeepName));
    RegCloseKey(key);
    Reload(0);
    state = State(0);
    EXPECT_EQ(2u, state.reloads);
    EXPECT_EQ(0u, state.recordPresent);
    EXPECT_EQ(0, state.params[SimClickMode]);
    EXPECT_EQ(((1u << SimParamCount) - 1) & ~(1u << SimBeep), state.paramsPresent);
}

TEST_F(SimContract, ReloadTakesExactlyFourBytesOfAnyType)
{
    const DWORD binary = 3;
    SetRaw(TouchParametersKey, ClickModeName, REG_BINARY, &binary, sizeof(binary));
    const WORD shortValue = 1;
    SetRaw(TouchParametersKey, InputModeName, REG_BINARY, &shortValue, sizeof(shortValue));
    SetString(TouchParametersKey, BeepName, L"12345");
    const unsigned long long wide = 5;
    SetRaw(TouchParametersKey, RightClickTimeoutName, REG_QWORD, &wide, sizeof(wide));
    Reload(0);
    SimState state = State(0);
    EXPECT_EQ(1u << SimClickMode, state.paramsPresent);
    EXPECT_EQ(3, state.params[SimClickMode]);
    EXPECT_EQ(0u, state.recordPresent);
}

TEST_F(SimContract, InjectedFaultsFailExactlyThatManyRequests)
{
    Handle device(Open(0, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    ASSERT_TRUE(SimFailNext(0, SimReload, 2, 0xC0000001)) << GetLastError(); // STATUS_UNSUCCESSFUL
    ASSERT_TRUE(SimFailNext(0, SimGetRawPoint, 1, 0xC0000022));              // STATUS_ACCESS_DENIED
    TouchRawPoint point;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED),
              Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS)) << i;
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    SimState state = State(0);
    EXPECT_EQ(4u, state.requests[SimReload]);
    EXPECT_EQ(2u, state.reloads) << "a failed reload reads nothing";
    EXPECT_EQ(2u, state.requests[SimGetRawPoint]);
    // A later injection replaces a pending one; count 0 cancels.
    ASSERT_TRUE(SimFailNext(0, SimReload, 5, 0xC0000001));
    ASSERT_TRUE(SimFailNext(0, SimReload, 0, 0xC0000001));
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
}

TEST_F(SimContract, MalformedPrivateRequestsAreRefused)
{
    EXPECT_FALSE(SimFailNext(0, SimCodeCount, 1, 0xC0000001));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    Handle device(Open(0, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    SimState state;
    DWORD returned = 0;
    EXPECT_FALSE(DeviceIoControl(device.get(), IOCTL_TQSIM_READ_STATE, NULL, 0, &state,
                                 sizeof(state) - 1, &returned, NULL));
    int32_t half = 5;
    EXPECT_FALSE(DeviceIoControl(device.get(), IOCTL_TQSIM_SET_RAW_POINT, &half, sizeof(half), NULL,
                                 0, &returned, NULL));
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
}

TEST_F(SimContract, ResetClearsCountersButKeepsThePoint)
{
    ASSERT_TRUE(SimSetRawPoint(0, 9, 8));
    Handle device(Open(0, GENERIC_READ | GENERIC_WRITE));
    ASSERT_TRUE(device.valid());
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    ASSERT_TRUE(SimResetCounters(0));
    SimState state = State(0);
    for (int i = 0; i < SimCodeCount; ++i) {
        EXPECT_EQ(0u, state.requests[i]) << i;
        EXPECT_EQ(0u, state.lastSequence[i]) << i;
    }
    EXPECT_EQ(0u, state.reloads);
    EXPECT_EQ(0u, state.clicksEnabled);
    TouchRawPoint point = {};
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    EXPECT_EQ(9, point.x);
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_ENABLE_CLICKS));
}

// Cases that restart the driver with other device sets.
class SimDeviceSets : public SimContract
{
};

TEST_F(SimDeviceSets, GapsInTheIndicesStayAbsent)
{
    const struct {
        uint32_t mask;
        bool present[TQTOUCH_MAX_DEVICES];
    } sets[] = {{0x9, {true, false, false, true}},
                {0x5, {true, false, true, false}},
                {0xE, {false, true, true, true}}};
    for (const auto& set : sets) {
        ULONGLONG start = GetTickCount64();
        ASSERT_TRUE(SimRestartDriver(set.mask)) << set.mask << ": " << GetLastError();
        printf("restart with mask 0x%X: %llu ms\n", set.mask,
               static_cast<unsigned long long>(GetTickCount64() - start));
        for (unsigned n = 0; n < TQTOUCH_MAX_DEVICES; ++n) {
            DWORD expected = set.present[n] ? 0u : static_cast<DWORD>(ERROR_FILE_NOT_FOUND);
            EXPECT_EQ(expected, OpenError(n)) << "mask " << set.mask << ", index " << n;
            if (set.present[n]) {
                EXPECT_EQ(n, State(n).index);
            }
        }
    }
}

TEST_F(SimDeviceSets, RestartGivesFreshDevices)
{
    ASSERT_TRUE(SimSetRawPoint(0, 50, 60));
    ASSERT_TRUE(SimFailNext(0, SimReload, 3, 0xC0000001));
    {
        Handle device(Open(0, GENERIC_WRITE));
        ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    }
    ASSERT_TRUE(SimRestartDriver(SimDefaultDevices)) << GetLastError();
    Handle device(Open(0, GENERIC_READ));
    ASSERT_TRUE(device.valid());
    TouchRawPoint point = {-1, -1};
    ASSERT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    EXPECT_EQ(0, point.x);
    EXPECT_EQ(0, point.y);
    EXPECT_EQ(0u, Send(device.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    SimState state = State(0);
    EXPECT_EQ(1u, state.clicksEnabled);
    EXPECT_EQ(1u, state.requests[SimReload]);
}

TEST_F(SimDeviceSets, SequenceNumbersOrderRequestsAcrossDevices)
{
    ASSERT_TRUE(SimRestartDriver(0x9)) << GetLastError();
    Handle first(Open(0, GENERIC_READ | GENERIC_WRITE));
    Handle last(Open(3, GENERIC_READ | GENERIC_WRITE));
    ASSERT_TRUE(first.valid() && last.valid());
    TouchRawPoint point;
    ASSERT_EQ(0u, Send(last.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    ASSERT_EQ(0u, Send(first.get(), IOCTL_TQTOUCH_DISABLE_CLICKS));
    ASSERT_EQ(0u, Send(first.get(), IOCTL_TQTOUCH_GET_RAW_POINT, &point, sizeof(point)));
    ASSERT_EQ(0u, Send(last.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    ASSERT_EQ(0u, Send(first.get(), IOCTL_TQTOUCH_ENABLE_CLICKS));
    SimState a = State(0);
    SimState b = State(3);
    EXPECT_LT(b.lastSequence[SimDisableClicks], a.lastSequence[SimDisableClicks]);
    EXPECT_LT(a.lastSequence[SimDisableClicks], a.lastSequence[SimGetRawPoint]);
    EXPECT_LT(a.lastSequence[SimGetRawPoint], b.lastSequence[SimReload]);
    EXPECT_LT(b.lastSequence[SimReload], a.lastSequence[SimEnableClicks]);
    EXPECT_EQ(0u, b.lastSequence[SimEnableClicks]);
    EXPECT_EQ(1u, a.clicksEnabled);
    EXPECT_EQ(0u, b.clicksEnabled);
    // Numbers keep rising after a reset, so orders taken before and after stay comparable.
    ASSERT_TRUE(SimResetCounters(0));
    ASSERT_EQ(0u, Send(first.get(), IOCTL_TQTOUCH_RELOAD_PARAMETERS));
    EXPECT_GT(State(0).lastSequence[SimReload], b.lastSequence[SimReload]);
}

TEST_F(SimDeviceSets, ReloadReadsTheRecordOfItsOwnScreen)
{
    ASSERT_TRUE(SimRestartDriver(0x9)) << GetLastError();
    SetDword(CalibrationKey(3).c_str(), ValidName, 1);
    SetDword(CalibrationKey(3).c_str(), CXName, 800);
    SetDword(CalibrationKey(0).c_str(), CXName, 1024);
    Reload(3);
    SimState state = State(3);
    EXPECT_EQ((1u << 7) | (1u << 8), state.recordPresent);
    EXPECT_EQ(1, state.record[7]);
    EXPECT_EQ(800, state.record[8]);
    EXPECT_EQ(0u, State(0).reloads);
}

} // namespace
