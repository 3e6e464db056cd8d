// TqTouchInit.exe against Wine's real double-click settings: each case sets the current values,
// runs the program and reads back what a freshly started program sees.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string>

#include "double_click.h"
#include "reg_fixture.h"
#include "svc_support.h"
#include "tq_registry.h"

namespace
{

struct Settings {
    UINT time;
    int width;
    int height;
    bool operator==(const Settings& other) const
    {
        return time == other.time && width == other.width && height == other.height;
    }
};

void PrintTo(const Settings& s, std::ostream* out)
{
    *out << s.time << " ms, " << s.width << " x " << s.height;
}

// This process keeps its own copy of the settings, so another program reads them back.
Settings ReadBack()
{
    std::string output;
    DWORD exitCode = 99;
    Settings settings = {0, -1, -1};
    EXPECT_TRUE(RunChild(WindowsPath(TQ_DBLCLK_PROBE_EXE), &output, &exitCode));
    EXPECT_EQ(3,
              sscanf(output.c_str(), "%u %d %d", &settings.time, &settings.width, &settings.height))
        << output;
    return settings;
}

void SetCurrent(const Settings& s)
{
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDOUBLECLICKTIME, s.time, NULL, SPIF_UPDATEINIFILE));
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDOUBLECLKWIDTH, s.width, NULL, SPIF_UPDATEINIFILE));
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETDOUBLECLKHEIGHT, s.height, NULL, SPIF_UPDATEINIFILE));
}

class TqTouchInit : public testing::Test
{
  protected:
    void SetUp() override
    {
        original = ReadBack();
        DeleteTree(TouchOptionsKey);
    }
    void TearDown() override
    {
        SetCurrent(original);
        DeleteTree(TouchOptionsKey);
    }
    // The settings after the program ran on the given ones.
    Settings RunOn(const Settings& current)
    {
        SetCurrent(current);
        EXPECT_EQ(current, ReadBack());
        std::string output;
        DWORD exitCode = 99;
        EXPECT_TRUE(RunChild(WindowsPath(TQ_INIT_EXE), &output, &exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_EQ("", output);
        return ReadBack();
    }
    Settings original;
};

TEST_F(TqTouchInit, WithoutKeyTheDefaultsRaiseWhatIsBelow)
{
    EXPECT_EQ((Settings{500, 40, 40}), RunOn({400, 4, 4}));
    EXPECT_EQ((Settings{500, 60, 40}), RunOn({400, 60, 39}));
    EXPECT_EQ((Settings{500, 40, 45}), RunOn({499, 40, 45}));
}

TEST_F(TqTouchInit, ValuesAreNeverLowered)
{
    EXPECT_EQ((Settings{700, 80, 41}), RunOn({700, 80, 41}));
    SetDword(TouchOptionsKey, MinDoubleClickTimeName, 0);
    SetDword(TouchOptionsKey, MinDoubleClickWidthName, 0);
    SetDword(TouchOptionsKey, MinDoubleClickHeightName, 0);
    EXPECT_EQ((Settings{100, 1, 1}), RunOn({100, 1, 1}));
}

TEST_F(TqTouchInit, ConfiguredMinimumsAreTakenOnlyAsDword)
{
    SetDword(TouchOptionsKey, MinDoubleClickTimeName, 900);
    SetString(TouchOptionsKey, MinDoubleClickWidthName, L"90");
    const DWORD binary = 70;
    SetRaw(TouchOptionsKey, MinDoubleClickHeightName, REG_BINARY, &binary, sizeof(binary));
    EXPECT_EQ((Settings{900, 40, 40}), RunOn({400, 4, 4}));

    SetString(TouchOptionsKey, MinDoubleClickTimeName, L"900");
    SetDword(TouchOptionsKey, MinDoubleClickWidthName, 90);
    SetDword(TouchOptionsKey, MinDoubleClickHeightName, 70);
    EXPECT_EQ((Settings{500, 90, 70}), RunOn({400, 4, 4}));
}

TEST_F(TqTouchInit, WidthAndHeightCompareSignedTimeUnsigned)
{
    SetDword(TouchOptionsKey, MinDoubleClickWidthName, 0x80000000);
    SetDword(TouchOptionsKey, MinDoubleClickHeightName, 0xFFFFFFFF);
    SetDword(TouchOptionsKey, MinDoubleClickTimeName, 600);
    EXPECT_EQ((Settings{600, 4, 4}), RunOn({400, 4, 4}));

    DoubleClickMinimums minimums;
    ReadDoubleClickMinimums(&minimums);
    EXPECT_EQ(0x80000000u, minimums.width);
    EXPECT_EQ(0xFFFFFFFFu, minimums.height);
}

} // namespace
