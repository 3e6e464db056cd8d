// The two reader policies and the writer against Wine's real registry.
#include <gtest/gtest.h>

#include "reg_fixture.h"
#include "tq_registry.h"

namespace {

const wchar_t* const TestKey = L"SOFTWARE\\TqTouchTests\\Common";

class RegistryPolicy : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteTree(L"SOFTWARE\\TqTouchTests");
        SetDword(TestKey, L"Dword", 0x12345678);
        const DWORD binary = 7;
        SetRaw(TestKey, L"Binary4", REG_BINARY, &binary, 4);
        const WORD shortValue = 9;
        SetRaw(TestKey, L"Binary2", REG_BINARY, &shortValue, 2);
        SetString(TestKey, L"Text", L"12345");
        ASSERT_TRUE(OpenRegKey(TestKey, KEY_QUERY_VALUE, &key));
    }
    void TearDown() override
    {
        RegCloseKey(key);
        DeleteTree(L"SOFTWARE\\TqTouchTests");
    }
    // Returns what a reader leaves in a variable preset to a default of 42.
    DWORD Strict(const wchar_t* name)
    {
        DWORD value = 42;
        ReadDwordStrict(key, name, &value);
        return value;
    }
    DWORD Permissive(const wchar_t* name)
    {
        DWORD value = 42;
        ReadDwordPermissive(key, name, &value);
        return value;
    }
    HKEY key = NULL;
};

TEST_F(RegistryPolicy, DwordIsTakenByBoth)
{
    EXPECT_EQ(0x12345678u, Strict(L"Dword"));
    EXPECT_EQ(0x12345678u, Permissive(L"Dword"));
}

TEST_F(RegistryPolicy, FourByteBinaryIsTakenOnlyByThePermissiveReader)
{
    EXPECT_EQ(42u, Strict(L"Binary4"));
    EXPECT_EQ(7u, Permissive(L"Binary4"));
}

TEST_F(RegistryPolicy, UnusableValuesLeaveTheDefaultInBoth)
{
    for (const wchar_t* name : {L"Text", L"Binary2", L"Missing"}) {
        EXPECT_EQ(42u, Strict(name)) << name;
        EXPECT_EQ(42u, Permissive(name)) << name;
    }
}

TEST_F(RegistryPolicy, FailuresLeaveTheCauseInTheLastError)
{
    DWORD value = 0;
    EXPECT_FALSE(ReadDwordStrict(key, L"Missing", &value));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    HKEY missing;
    EXPECT_FALSE(OpenRegKey(L"SOFTWARE\\TqTouchTests\\Nowhere", KEY_QUERY_VALUE, &missing));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(RegistryPolicy, WriterCreatesAMissingKey)
{
    const wchar_t* path = L"SOFTWARE\\TqTouchTests\\New\\Deeper";
    ASSERT_FALSE(KeyExists(path));
    HKEY created;
    ASSERT_TRUE(CreateRegKey(path, KEY_SET_VALUE, &created));
    EXPECT_TRUE(WriteDword(created, L"Value", 0xFFFFFFD2));
    RegCloseKey(created);
    DWORD value = 0;
    ASSERT_TRUE(GetDword(path, L"Value", &value));
    EXPECT_EQ(0xFFFFFFD2u, value);
}

TEST(RegistryCatalogue, PressAndHoldDistanceFollowsTheScreen)
{
    EXPECT_EQ(12u, RightClickDistanceDefault(1024));
    EXPECT_EQ(23u, RightClickDistanceDefault(1920));
    EXPECT_EQ(47u, RightClickDistanceInTouchUnits(12, 1024)); // truncated, not rounded
}

} // namespace
