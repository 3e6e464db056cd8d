// The calibration record store against Wine's registry.
#include <gtest/gtest.h>

#include <string>

#include "calib_store.h"
#include "reg_fixture.h"
#include "sim_client.h"
#include "tq_driver.h"
#include "tq_registry.h"

namespace
{

const wchar_t* const Screen0Key =
    L"SYSTEM\\CurrentControlSet\\Services\\TqTouch\\Parameters\\Screen0";
const wchar_t* const Screen0Record =
    L"SYSTEM\\CurrentControlSet\\Services\\TqTouch\\Parameters\\Screen0\\Calibration";
const wchar_t* const Screen3Record =
    L"SYSTEM\\CurrentControlSet\\Services\\TqTouch\\Parameters\\Screen3\\Calibration";
const wchar_t* const RecordNames[10] = {A1Name, B1Name,    C1Name,    A2Name, B2Name,
                                        C2Name, DeltaName, ValidName, CXName, CYName};

CalibrationRecord Sample()
{
    CalibrationRecord r;
    r.A1 = 20481, r.B1 = -46, r.C1 = 1234567, r.A2 = 17, r.B2 = -15000, r.C2 = -89;
    r.Delta = 30000, r.Valid = 1, r.CX = 1920, r.CY = 1040;
    return r;
}

// Every field 0x5A5A5A5A: shows which fields an operation left alone.
CalibrationRecord Marked()
{
    CalibrationRecord r;
    r.A1 = r.B1 = r.C1 = r.A2 = r.B2 = r.C2 = r.Delta = r.Valid = r.CX = r.CY = 0x5A5A5A5A;
    return r;
}

const int32_t* Fields(const CalibrationRecord& r)
{
    return &r.A1;
}

void ExpectSameRecord(const CalibrationRecord& expected, const CalibrationRecord& actual)
{
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(Fields(expected)[i], Fields(actual)[i]) << "field " << i;
}

class RecordStore : public testing::Test
{
  protected:
    void SetUp() override
    {
        DeleteTree(TouchParametersKey);
        DeleteTree(TouchOptionsKey);
    }
    void TearDown() override
    {
        DeleteTree(TouchParametersKey);
        DeleteTree(TouchOptionsKey);
    }
};

TEST_F(RecordStore, KeyPathNamesTheScreen)
{
    wchar_t path[MAX_PATH];
    FormatCalibrationKey(0, path);
    EXPECT_EQ(std::wstring(Screen0Record), path);
    FormatCalibrationKey(3, path);
    EXPECT_EQ(std::wstring(Screen3Record), path);
}

TEST_F(RecordStore, WritesTenSignedDwordsThatReadBack)
{
    const CalibrationRecord record = Sample();
    ASSERT_TRUE(WriteCalibrationRecord(0, &record));
    DWORD value = 0;
    ASSERT_TRUE(GetDword(Screen0Record, B1Name, &value));
    EXPECT_EQ(0xFFFFFFD2u, value);
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(GetDword(Screen0Record, RecordNames[i], &value)) << i;
        EXPECT_EQ(static_cast<DWORD>(Fields(record)[i]), value) << i;
    }
    CalibrationRecord read = Marked();
    EXPECT_TRUE(ReadCalibrationRecord(0, &read));
    ExpectSameRecord(record, read);
}

TEST_F(RecordStore, EachScreenHasItsOwnRecord)
{
    const CalibrationRecord record = Sample();
    ASSERT_TRUE(WriteCalibrationRecord(3, &record));
    EXPECT_TRUE(KeyExists(Screen3Record));
    EXPECT_FALSE(KeyExists(Screen0Record));
    CalibrationRecord read = Marked();
    EXPECT_FALSE(ReadCalibrationRecord(0, &read));
    EXPECT_TRUE(ReadCalibrationRecord(3, &read));
    ExpectSameRecord(record, read);
}

TEST_F(RecordStore, MissingKeyReadsAsNotValidAndKeepsTheFields)
{
    CalibrationRecord read = Marked();
    EXPECT_FALSE(ReadCalibrationRecord(1, &read));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    CalibrationRecord expected = Marked();
    expected.Valid = 0;
    ExpectSameRecord(expected, read);
}

TEST_F(RecordStore, ReadingStopsAtTheFirstMissingValue)
{
    const CalibrationRecord record = Sample();
    ASSERT_TRUE(WriteCalibrationRecord(0, &record));
    HKEY key;
    ASSERT_TRUE(OpenRegKey(Screen0Record, KEY_SET_VALUE, &key));
    RegDeleteValueW(key, CXName);
    RegDeleteValueW(key, CYName);
    RegCloseKey(key);

    CalibrationRecord read = Marked();
    EXPECT_FALSE(ReadCalibrationRecord(0, &read));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    // Everything before CX was read; CX and CY keep what they held; Valid is cleared.
    CalibrationRecord expected = record;
    expected.Valid = 0;
    expected.CX = expected.CY = 0x5A5A5A5A;
    ExpectSameRecord(expected, read);
}

TEST_F(RecordStore, AnyFourByteValueIsTakenAndShortOnesStopTheRead)
{
    const CalibrationRecord record = Sample();
    ASSERT_TRUE(WriteCalibrationRecord(0, &record));
    const int32_t binary = -7;
    SetRaw(Screen0Record, A2Name, REG_BINARY, &binary, 4);
    CalibrationRecord read = Marked();
    EXPECT_TRUE(ReadCalibrationRecord(0, &read));
    EXPECT_EQ(-7, read.A2);

    // Read order: Valid, A1, A2, B1, B2, C1, C2, Delta, CX, CY. A two-byte C1 stops at C1.
    const WORD shortValue = 3;
    SetRaw(Screen0Record, C1Name, REG_BINARY, &shortValue, 2);
    read = Marked();
    EXPECT_FALSE(ReadCalibrationRecord(0, &read));
    EXPECT_EQ(0, read.Valid);
    EXPECT_EQ(record.B2, read.B2);
    EXPECT_EQ(0x5A5A5A5A, read.C1);
    EXPECT_EQ(0x5A5A5A5A, read.C2);
    EXPECT_EQ(0x5A5A5A5A, read.Delta);
}

TEST_F(RecordStore, IndicesOutsideTheFourScreensAndMissingDataAreRefused)
{
    CalibrationRecord record = Sample();
    ScreenSettings settings = {1, 0, Sample()};
    for (int n : {-1, 4, 1000}) {
        SetLastError(0);
        EXPECT_FALSE(ReadCalibrationRecord(n, &record)) << n;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << n;
        EXPECT_EQ(0, record.Valid);
        SetLastError(0);
        EXPECT_FALSE(WriteCalibrationRecord(n, &record)) << n;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << n;
        SetLastError(0);
        EXPECT_FALSE(LoadScreenSettings(n, &settings)) << n;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << n;
        SetLastError(0);
        EXPECT_FALSE(ApplyScreenSettings(n, &settings, INVALID_HANDLE_VALUE)) << n;
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << n;
    }
    SetLastError(0);
    EXPECT_FALSE(ApplyScreenSettings(0, NULL, INVALID_HANDLE_VALUE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_FALSE(LoadScreenSettings(0, NULL));
    EXPECT_FALSE(ReadCalibrationRecord(0, NULL));
    EXPECT_FALSE(WriteCalibrationRecord(0, NULL));
    // Nothing was written for any of them.
    EXPECT_FALSE(KeyExists(TouchParametersKey));
}

TEST_F(RecordStore, LoadFallsBackToOneAndZeroForTheClickSettings)
{
    SetDword(TouchParametersKey, L"Beep", 1);
    ScreenSettings settings = {7, 7, Marked()};
    ASSERT_TRUE(LoadScreenSettings(0, &settings));
    EXPECT_EQ(1u, settings.RightClickEnable);
    EXPECT_EQ(0u, settings.ClickMode);
    // A screen never calibrated: zeros, not valid.
    ExpectSameRecord(CalibrationRecord{}, settings.record);
}

TEST_F(RecordStore, LoadTakesStoredSettingsAndRecord)
{
    SetDword(TouchParametersKey, RightClickEnableName, 0);
    const DWORD clickMode = 2;
    SetRaw(TouchParametersKey, ClickModeName, REG_BINARY, &clickMode, 4);
    const CalibrationRecord record = Sample();
    ASSERT_TRUE(WriteCalibrationRecord(2, &record));
    ScreenSettings settings = {7, 7, Marked()};
    ASSERT_TRUE(LoadScreenSettings(2, &settings));
    EXPECT_EQ(0u, settings.RightClickEnable);
    EXPECT_EQ(2u, settings.ClickMode);
    ExpectSameRecord(record, settings.record);
}

TEST_F(RecordStore, LoadFailsWithoutTheParametersKey)
{
    ScreenSettings settings = {7, 7, Marked()};
    EXPECT_FALSE(LoadScreenSettings(0, &settings));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(RecordStore, MaxCalErrorIsReadAnewWithAnyFourByteValue)
{
    EXPECT_EQ(30u, ReadMaxCalError());
    SetDword(TouchOptionsKey, L"CalibPoints", 9);
    EXPECT_EQ(30u, ReadMaxCalError());
    SetDword(TouchOptionsKey, MaxCalErrorName, 12);
    EXPECT_EQ(12u, ReadMaxCalError());
    const DWORD binary = 45;
    SetRaw(TouchOptionsKey, MaxCalErrorName, REG_BINARY, &binary, 4);
    EXPECT_EQ(45u, ReadMaxCalError());
    SetString(TouchOptionsKey, MaxCalErrorName, L"12345");
    EXPECT_EQ(30u, ReadMaxCalError());
}

// Apply against the simulated driver: what it was told and what it read when told.
class ApplyWithDriver : public RecordStore
{
  protected:
    void SetUp() override
    {
        RecordStore::SetUp();
        device = OpenTouchDevice(0, GENERIC_READ);
        ASSERT_NE(INVALID_HANDLE_VALUE, device) << GetLastError();
        ASSERT_TRUE(SimResetCounters(0));
    }
    void TearDown() override
    {
        if (device != INVALID_HANDLE_VALUE)
            CloseHandle(device);
        RecordStore::TearDown();
    }
    SimState State(unsigned n = 0)
    {
        SimState state = {};
        EXPECT_TRUE(SimReadState(n, &state));
        return state;
    }
    HANDLE device = INVALID_HANDLE_VALUE;
};

const uint32_t ClickBits = 1u << SimClickMode | 1u << SimRightClickEnable;
const uint32_t AllRecordBits = (1u << SIM_RECORD_VALUES) - 1;

void ExpectDriverRead(const ScreenSettings& settings, const SimState& state)
{
    EXPECT_EQ(ClickBits, state.paramsPresent & ClickBits);
    EXPECT_EQ(settings.ClickMode, static_cast<uint32_t>(state.params[SimClickMode]));
    EXPECT_EQ(settings.RightClickEnable, static_cast<uint32_t>(state.params[SimRightClickEnable]));
    EXPECT_EQ(AllRecordBits, state.recordPresent);
    for (int i = 0; i < SIM_RECORD_VALUES; ++i)
        EXPECT_EQ(Fields(settings.record)[i], state.record[i]) << "field " << i;
}

TEST_F(ApplyWithDriver, EachApplyEndsWithOneReloadThatSeesTheApplied)
{
    // Calibration mode, then a check with a new record, then a restore of saved settings.
    ScreenSettings calibrationMode = {0, 2, CalibrationRecord{}};
    ScreenSettings check = {0, 2, Sample()};
    ScreenSettings restore = {1, 0, Sample()};
    restore.record.Valid = 0;
    restore.record.B1 = 46;
    const ScreenSettings* runs[] = {&calibrationMode, &check, &restore};
    for (uint32_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(ApplyScreenSettings(0, runs[i], device)) << i;
        const SimState state = State();
        EXPECT_EQ(i + 1, state.requests[SimReload]) << i;
        EXPECT_EQ(i + 1, state.reloads) << i;
        ExpectDriverRead(*runs[i], state);
        for (int code : {SimGetRawPoint, SimGetDeviceInfo, SimEnableClicks, SimDisableClicks})
            EXPECT_EQ(0u, state.requests[code]) << code;
    }
}

TEST_F(ApplyWithDriver, FailedRecordWriteIsReportedAndStillReloads)
{
    // Below a volatile key no lasting key can be created, so the record write fails for real.
    HKEY screen;
    ASSERT_TRUE(CreateRegKey(TouchParametersKey, KEY_SET_VALUE, &screen));
    RegCloseKey(screen);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, Screen0Key, 0, NULL,
                                             REG_OPTION_VOLATILE, KEY_WRITE, NULL, &screen, NULL));
    RegCloseKey(screen);
    const CalibrationRecord record = Sample();
    ASSERT_FALSE(WriteCalibrationRecord(0, &record));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CHILD_MUST_BE_VOLATILE), GetLastError());

    const ScreenSettings settings = {0, 2, Sample()};
    SetLastError(0);
    EXPECT_FALSE(ApplyScreenSettings(0, &settings, device));
    EXPECT_EQ(static_cast<DWORD>(ERROR_CHILD_MUST_BE_VOLATILE), GetLastError());
    EXPECT_FALSE(KeyExists(Screen0Record));
    const SimState state = State();
    EXPECT_EQ(1u, state.requests[SimReload]);
    EXPECT_EQ(1u, state.reloads);
    EXPECT_EQ(2, state.params[SimClickMode]);
    EXPECT_EQ(0, state.params[SimRightClickEnable]);
    EXPECT_EQ(0u, state.recordPresent);
}

// No value to take: a short answer of the driver, a record that is there but not whole.
TEST_F(ApplyWithDriver, ShortRawPointsAndPartialRecordsAreFailures)
{
    const CalibrationRecord record = Sample();
    static const WORD twoBytes = 3;
    const struct {
        const char* name;
        void (*arrange)();
        bool rawPoint;
        DWORD error;
    } cases[] = {
        {"raw point answered with no bytes", [] { SimFailNext(0, SimGetRawPoint, 1, 0); }, true,
         ERROR_INVALID_DATA},
        {"record without CY", [] { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, Screen0Record, CYName); },
         false, ERROR_FILE_NOT_FOUND},
        {"record with a two-byte C1",
         [] { SetRaw(Screen0Record, C1Name, REG_BINARY, &twoBytes, 2); }, false,
         ERROR_INVALID_DATA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteCalibrationRecord(0, &record));
        c.arrange();
        SetLastError(0);
        TouchRawPoint point = {7, 7};
        ScreenSettings settings = {};
        EXPECT_FALSE(c.rawPoint ? ReadTouchPoint(device, &point)
                                : LoadScreenSettings(0, &settings));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(0, c.rawPoint ? point.x | point.y : 0);
    }
}

TEST_F(ApplyWithDriver, FailedReloadIsTheResult)
{
    const NTSTATUS deviceNotReady = static_cast<NTSTATUS>(0xC00000A3);
    ASSERT_TRUE(SimFailNext(0, SimReload, 1, static_cast<uint32_t>(deviceNotReady)));
    const ScreenSettings settings = {0, 2, Sample()};
    SetLastError(0);
    EXPECT_FALSE(ApplyScreenSettings(0, &settings, device));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_READY), GetLastError());
    EXPECT_EQ(1u, State().requests[SimReload]);
    // The registry holds the settings all the same; the next reload takes them.
    DWORD value = 0;
    EXPECT_TRUE(GetDword(Screen0Record, B1Name, &value));
    EXPECT_EQ(0xFFFFFFD2u, value);
    EXPECT_TRUE(GetDword(TouchParametersKey, ClickModeName, &value));
    EXPECT_EQ(2u, value);
}

TEST_F(ApplyWithDriver, FourthScreenReloadsItsOwnDevice)
{
    CloseHandle(device);
    device = INVALID_HANDLE_VALUE;
    ASSERT_TRUE(SimRestartDriver(1u | 1u << 3));
    HANDLE fourth = OpenTouchDevice(3, GENERIC_READ);
    ASSERT_NE(INVALID_HANDLE_VALUE, fourth);
    const ScreenSettings settings = {0, 2, Sample()};
    EXPECT_TRUE(ApplyScreenSettings(3, &settings, fourth));
    CloseHandle(fourth);
    const SimState state = State(3);
    EXPECT_EQ(1u, state.reloads);
    ExpectDriverRead(settings, state);
    EXPECT_EQ(0u, State(0).requests[SimReload]);
    EXPECT_TRUE(SimRestartDriver(SimDefaultDevices));
}

} // namespace
