// The calibration computation on fixed cases, and the 96-bit integer against __int128.
#include <gtest/gtest.h>

#include <limits.h>
#include <random>
#include <vector>

#include "calib_compute.h"

namespace
{

typedef __int128 Int128;
typedef unsigned __int128 Uint128;
const Uint128 Mask96 = (static_cast<Uint128>(1) << 96) - 1;

WideInt ToWide(Int128 v)
{
    const Uint128 m = v < 0 ? static_cast<Uint128>(-v) : static_cast<Uint128>(v);
    WideInt w;
    w.sign = v < 0 ? 1 : 0;
    w.mag[0] = static_cast<uint32_t>(m);
    w.mag[1] = static_cast<uint32_t>(m >> 32);
    w.mag[2] = static_cast<uint32_t>(m >> 64);
    return w;
}

Int128 FromWide(const WideInt& w)
{
    const Int128 m = static_cast<Int128>(w.mag[0]) | static_cast<Int128>(w.mag[1]) << 32 |
                     static_cast<Int128>(w.mag[2]) << 64;
    return w.sign != 0 ? -m : m;
}

// Sign and magnitude modulo 2^96, as the type keeps results that leave 96 bits.
Int128 Keep96(bool negative, Uint128 magnitude)
{
    const Int128 m = static_cast<Int128>(magnitude & Mask96);
    return negative ? -m : m;
}

Int128 Abs(Int128 v)
{
    return v < 0 ? -v : v;
}

// Checks the value and that zero carries sign 0.
::testing::AssertionResult Same(Int128 expected, const WideInt& actual)
{
    if (FromWide(actual) != expected)
        return ::testing::AssertionFailure() << "value differs";
    if (expected == 0 && actual.sign != 0)
        return ::testing::AssertionFailure() << "negative zero";
    return ::testing::AssertionSuccess();
}

std::vector<Int128> Operands()
{
    const Int128 one = 1;
    std::vector<Int128> values = {0,
                                  1,
                                  2,
                                  3,
                                  INT32_MAX,
                                  INT32_MIN,
                                  UINT32_MAX,
                                  one << 32,
                                  one << 63,
                                  (one << 64) - 1,
                                  one << 64,
                                  one << 95,
                                  (one << 95) + 12345,
                                  (one << 96) - 1};
    const size_t fixed = values.size();
    for (size_t i = 0; i < fixed; ++i)
        values.push_back(-values[i]);
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 300; ++i) {
        const int bits = static_cast<int>(random() % 97);
        Uint128 m = (static_cast<Uint128>(random()) << 64 | random()) & Mask96;
        m = bits == 0 ? 0 : m >> (96 - bits);
        values.push_back(random() % 2 ? -static_cast<Int128>(m) : static_cast<Int128>(m));
    }
    return values;
}

TEST(WideInt, AgreesWith128BitArithmetic)
{
    const std::vector<Int128> values = Operands();
    for (Int128 a : values) {
        const WideInt wa = ToWide(a);
        for (Int128 b : values) {
            const WideInt wb = ToWide(b);
            const Int128 sum = a + b, difference = a - b;
            ASSERT_TRUE(Same(Keep96(sum < 0, Abs(sum)), WideAdd(wa, wb)));
            ASSERT_TRUE(Same(Keep96(difference < 0, Abs(difference)), WideSub(wa, wb)));
            const Uint128 product = static_cast<Uint128>(Abs(a)) * static_cast<Uint128>(Abs(b));
            ASSERT_TRUE(Same(Keep96((a < 0) != (b < 0), product), WideMul(wa, wb)));
        }
        uint32_t bits = 0;
        for (Uint128 m = static_cast<Uint128>(Abs(a)); m != 0; m >>= 1)
            ++bits;
        EXPECT_EQ(bits, WideBitLength(wa));
        // Halving truncates toward zero, the shift rounds toward minus infinity.
        EXPECT_TRUE(Same(a / 2, WideHalve(wa)));
        for (uint32_t s = 0; s <= 100; ++s)
            ASSERT_TRUE(Same(a >> s, WideShiftRight(wa, s))) << s;
        EXPECT_TRUE(Same(a < 0 ? -1 : 0, WideShiftRight(wa, 1000)));
        EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(a)), WideLow32(wa));
    }
}

TEST(WideInt, MakesEveryInt32)
{
    for (int32_t v : {0, 1, -1, 46, -46, INT32_MAX, INT32_MIN, INT32_MIN + 1}) {
        EXPECT_TRUE(Same(v, WideFromInt32(v)));
        EXPECT_EQ(v, WideLow32(WideFromInt32(v)));
    }
}

TEST(WideInt, ResultsThatCancelHaveNoSign)
{
    const WideInt a = WideFromInt32(-7);
    EXPECT_TRUE(Same(0, WideAdd(a, WideFromInt32(7))));
    EXPECT_TRUE(Same(0, WideSub(a, a)));
    EXPECT_TRUE(Same(0, WideMul(a, WideFromInt32(0))));
    EXPECT_TRUE(Same(0, WideHalve(WideFromInt32(-1))));
    // -2^95 · 2 leaves 96 bits with a zero magnitude.
    EXPECT_TRUE(Same(0, WideMul(ToWide(-(static_cast<Int128>(1) << 95)), WideFromInt32(2))));
}

// Marks, raw points and results of one computation.
struct Fit {
    uint32_t n = 0;
    int32_t markX[MaxCalibPoints] = {}, markY[MaxCalibPoints] = {};
    int32_t rawX[MaxCalibPoints] = {}, rawY[MaxCalibPoints] = {};
    CalibrationRecord record = {};
    uint32_t worstDeviation = 99;
    int32_t worstIndex = 99;

    // Marks 1..count on width × height, raw points equal to the marks.
    Fit(uint32_t width, uint32_t height, uint32_t count, uint32_t margin = 10) : n(count)
    {
        for (uint32_t i = 0; i < n; ++i) {
            EXPECT_TRUE(MarkPosition(width, height, i + 1, margin, &markX[i], &markY[i]));
            rawX[i] = markX[i];
            rawY[i] = markY[i];
        }
    }
    bool Compute(uint32_t maxCalError = 30)
    {
        return ComputeCalibration(&record, n, markX, markY, rawX, rawY, maxCalError,
                                  &worstDeviation, &worstIndex);
    }
    bool Validate(uint32_t maxCalError = 30)
    {
        return ValidateCalibration(record, n, markX, markY, rawX, rawY, maxCalError,
                                   &worstDeviation, &worstIndex);
    }
};

TEST(MarkPosition, CoversTheGridInOrder)
{
    const int32_t expected[9][2] = {{100, 70}, {100, 630}, {900, 630}, {900, 70}, {500, 350},
                                    {500, 70}, {500, 630}, {100, 350}, {900, 350}};
    for (uint32_t k = 1; k <= 9; ++k) {
        int32_t x = -1, y = -1;
        ASSERT_TRUE(MarkPosition(1000, 700, k, 10, &x, &y));
        EXPECT_EQ(expected[k - 1][0], x) << k;
        EXPECT_EQ(expected[k - 1][1], y) << k;
    }
    int32_t x = -1, y = -1;
    EXPECT_FALSE(MarkPosition(1000, 700, 0, 10, &x, &y));
    EXPECT_FALSE(MarkPosition(1000, 700, 10, 10, &x, &y));
    EXPECT_EQ(-1, x);
}

TEST(MarkPosition, TruncatesAndSurvivesAbsurdMargins)
{
    int32_t x, y;
    ASSERT_TRUE(MarkPosition(1023, 767, 3, 10, &x, &y));
    EXPECT_EQ(1023 - 102, x);
    EXPECT_EQ(767 - 76, y);
    ASSERT_TRUE(MarkPosition(1023, 767, 5, 10, &x, &y));
    EXPECT_EQ(511, x);
    EXPECT_EQ(383, y);
    // A margin over 100 puts the far marks before the origin; the product w·margin wraps.
    ASSERT_TRUE(MarkPosition(1000, 700, 4, 150, &x, &y));
    EXPECT_EQ(-500, x);
    ASSERT_TRUE(MarkPosition(UINT32_MAX, UINT32_MAX, 9, UINT32_MAX, &x, &y));
}

TEST(Computation, IdentityDataOnThreeMarks)
{
    Fit run(1000, 700, 3);
    EXPECT_TRUE(run.Compute());
    // Unshifted Delta is 200704000000 (38 bits); A1 equals it, so the shift is 38 - 15 = 23.
    EXPECT_EQ(200704000000 >> 23, run.record.Delta);
    EXPECT_EQ(run.record.Delta, run.record.A1);
    EXPECT_EQ(run.record.Delta, run.record.B2);
    EXPECT_EQ(0, run.record.B1);
    EXPECT_EQ(0, run.record.A2);
    EXPECT_EQ((200704000000 / 2) >> 23, run.record.C1);
    EXPECT_EQ(run.record.C1, run.record.C2);
    EXPECT_EQ(1, run.record.Valid);
    EXPECT_EQ(0u, run.worstDeviation);
    EXPECT_EQ(0, run.worstIndex);
}

TEST(Computation, CollinearRawPointsGiveAnUncalibratedRecord)
{
    Fit run(1000, 700, 5);
    for (uint32_t i = 0; i < run.n; ++i) {
        run.rawX[i] = 4 * run.markX[i];
        run.rawY[i] = 4 * run.markX[i];
    }
    EXPECT_FALSE(run.Compute());
    EXPECT_EQ(0, run.record.Valid);
    EXPECT_EQ(1, run.record.Delta);
    // Raw read as quarter pixels: x is exact, y is off by markX - markY, most at mark 4.
    EXPECT_EQ(3, run.worstIndex);
    EXPECT_EQ(830u, run.worstDeviation);
}

TEST(Computation, FewerThanThreeDistinctPointsAreDegenerate)
{
    for (uint32_t n : {1u, 2u}) {
        Fit run(800, 600, n);
        // Raw points read as quarter pixels land on the marks: only the missing fit rejects.
        for (uint32_t i = 0; i < n; ++i)
            run.rawX[i] = 4 * run.markX[i], run.rawY[i] = 4 * run.markY[i];
        EXPECT_FALSE(run.Compute()) << n;
        EXPECT_EQ(0, run.record.Valid) << n;
        EXPECT_EQ(1, run.record.Delta) << n;
    }
}

TEST(Computation, MarkCountsWithoutPositionsAreRefused)
{
    // Exactly MaxCalibPoints entries: the sanitizer catches any read beyond them.
    for (uint32_t n : {0u, MaxCalibPoints + 1, 1000u, UINT32_MAX}) {
        Fit run(1000, 700, MaxCalibPoints);
        run.n = n;
        run.record.Valid = 1;
        run.record.Delta = 0;
        run.record.A1 = 77;
        EXPECT_FALSE(run.Compute()) << n;
        EXPECT_EQ(0, run.record.Valid) << n;
        EXPECT_EQ(1, run.record.Delta) << n;
        EXPECT_EQ(0, run.record.A1) << n;
    }
}

TEST(Computation, ZeroAllowedErrorRejectsAPerfectFit)
{
    Fit run(1000, 700, 3);
    EXPECT_FALSE(run.Compute(0));
    EXPECT_EQ(1, run.record.Valid);
    EXPECT_EQ(0u, run.worstDeviation);
}

TEST(Computation, OneFarPointNamesItsMark)
{
    // On five marks an outlying corner and the opposite corner deviate alike; nine separate them.
    Fit run(1000, 700, 9);
    run.rawX[3] += 200; // mark 4, top right
    EXPECT_FALSE(run.Compute());
    EXPECT_EQ(3, run.worstIndex);
    EXPECT_GT(run.worstDeviation, 30u);
    EXPECT_LT(run.worstDeviation, 200u);
    EXPECT_TRUE(run.Compute(run.worstDeviation + 1));
}

TEST(Computation, ScaledAndMirroredRawRangeFits)
{
    // A panel mounted upside down, 4096 raw units across.
    Fit run(1024, 768, 9);
    for (uint32_t i = 0; i < run.n; ++i) {
        run.rawX[i] = 4095 - run.markX[i] * 4;
        run.rawY[i] = 4095 - run.markY[i] * 5;
    }
    EXPECT_TRUE(run.Compute(1));
    EXPECT_LT(run.record.A1, 0);
    EXPECT_LT(run.record.B2, 0);
    int32_t qx, qy;
    TransformPoint(run.record, 4095 - 4 * 300, 4095 - 5 * 200, &qx, &qy);
    EXPECT_EQ(300, qx / 4);
    EXPECT_EQ(200, qy / 4);
}

TEST(Computation, ExtremeRawCoordinatesStayDefined)
{
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1, 0, 1, INT32_MIN + 1};
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        Fit run(1920, 1200, 3 + round % 7);
        for (uint32_t i = 0; i < run.n; ++i) {
            run.rawX[i] = extremes[random() % 6];
            run.rawY[i] = static_cast<int32_t>(random());
            run.markX[i] = static_cast<int32_t>(random());
        }
        run.Compute();
        EXPECT_GE(run.record.Delta, 1);
        EXPECT_TRUE(run.record.Valid == 0 || run.record.Valid == 1);
    }
}

CalibrationRecord Identity()
{
    CalibrationRecord r = {};
    r.A1 = r.B2 = r.Delta = r.Valid = 1;
    return r;
}

TEST(Validation, EqualMaximaReportTheLowerMark)
{
    Fit run(1000, 700, 5);
    run.record = Identity();
    run.rawX[1] += 3;
    run.rawY[1] += 4;
    run.rawX[3] -= 4;
    run.rawY[3] += 3;
    EXPECT_TRUE(run.Validate(6));
    EXPECT_EQ(1, run.worstIndex);
    EXPECT_EQ(5u, run.worstDeviation);
    // A strictly larger later deviation takes over.
    run.rawX[4] += 6;
    EXPECT_FALSE(run.Validate(6));
    EXPECT_EQ(4, run.worstIndex);
}

TEST(Validation, DeviationEqualToTheLimitRejects)
{
    Fit run(1000, 700, 5);
    run.record = Identity();
    run.rawX[2] += 30;
    EXPECT_FALSE(run.Validate(30));
    EXPECT_TRUE(run.Validate(31));
    EXPECT_EQ(30u, run.worstDeviation);
}

TEST(Validation, WorstDeviationIsTheTruncatedRoot)
{
    Fit run(1000, 700, 3);
    run.record = Identity();
    run.rawX[0] += 7;
    run.rawY[0] += 7; // sqrt(98) = 9.9
    run.Validate();
    EXPECT_EQ(9u, run.worstDeviation);
}

TEST(Validation, PositionsLeftOfTheScreenAreClampedFirst)
{
    Fit run(1000, 700, 1);
    run.markX[0] = 0;
    run.record = Identity();
    run.record.C1 = -500;
    EXPECT_TRUE(run.Validate(1));
    EXPECT_EQ(0u, run.worstDeviation);
}

TEST(Validation, HugeDeviationsDoNotWrapIntoSmallOnes)
{
    // 65536 pixels squared is 2^32: in 32 bits it would pass as a perfect fit.
    Fit run(1000, 700, 1);
    run.record = Identity();
    run.rawX[0] = run.markX[0] + 65536;
    EXPECT_FALSE(run.Validate(30));
    EXPECT_EQ(65536u, run.worstDeviation);
    // 2 · 46341^2 just exceeds 2^32 and would wrap to 9266, below 100^2.
    run.rawX[0] = run.markX[0] + 46341;
    run.rawY[0] = run.markY[0] + 46341;
    EXPECT_FALSE(run.Validate(100));
    run.rawY[0] = run.markY[0];
    // An allowed error whose square leaves 32 bits does not wrap into a small one either.
    run.rawX[0] = run.markX[0] + 40;
    EXPECT_TRUE(run.Validate(65536));
    // Marks at the ends of the int32 range.
    run.markX[0] = INT32_MIN;
    EXPECT_FALSE(run.Validate(UINT32_MAX));
}

TEST(Transform, QuarterPixelsTruncatedAndClampedAtZero)
{
    CalibrationRecord r = {};
    r.A1 = 3, r.B1 = 1, r.C1 = 1, r.Delta = 2, r.Valid = 1;
    r.A2 = 0, r.B2 = 1, r.C2 = -100;
    int32_t qx, qy;
    TransformPoint(r, 10, 5, &qx, &qy);
    EXPECT_EQ((3 * 10 + 5 + 1) * 4 / 2, qx);
    EXPECT_EQ(0, qy);
    TransformPoint(r, 10, 150, &qx, &qy);
    EXPECT_EQ(100, qy); // (150 - 100) * 4 / 2
    TransformPoint(r, 10, 101, &qx, &qy);
    EXPECT_EQ(2, qy);
}

TEST(Transform, UncalibratedRecordPassesRawPointsThrough)
{
    CalibrationRecord r = Identity();
    r.A1 = 1000;
    r.Valid = 0;
    int32_t qx, qy;
    TransformPoint(r, -17, 4095, &qx, &qy);
    EXPECT_EQ(-17, qx);
    EXPECT_EQ(4095, qy);
    // Valid with a zero Delta is not evaluable and counts as uncalibrated.
    r.Valid = 1;
    r.Delta = 0;
    TransformPoint(r, 12, 34, &qx, &qy);
    EXPECT_EQ(12, qx);
    EXPECT_EQ(34, qy);
}

TEST(Transform, WrapsInThirtyTwoBits)
{
    CalibrationRecord r = Identity();
    r.A1 = 1 << 30;
    r.C1 = (1 << 30) + 5;
    int32_t qx, qy;
    // (2^31 + 5) · 4 = 2^33 + 20.
    TransformPoint(r, 1, 0, &qx, &qy);
    EXPECT_EQ(20, qx);
    // The one quotient that overflows wraps too and is then clamped.
    r.A1 = INT32_MIN / 4;
    r.B1 = r.C1 = 0;
    r.Delta = -1;
    TransformPoint(r, 1, 0, &qx, &qy);
    EXPECT_EQ(0, qx);
    r.Delta = INT32_MIN;
    TransformPoint(r, 1, 0, &qx, &qy);
    EXPECT_EQ(1, qx);
}

} // namespace
