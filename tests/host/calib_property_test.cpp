// Random affine touch panels: the stored record against an exact rational least-squares fit,
// solved here by fraction-free elimination in __int128 rather than by determinants.
#include <gtest/gtest.h>

#include <math.h>
#include <random>

#include "calib_compute.h"

namespace
{

typedef __int128 Int128;

struct Samples {
    uint32_t n;
    int32_t markX[MaxCalibPoints], markY[MaxCalibPoints];
    int32_t rawX[MaxCalibPoints], rawY[MaxCalibPoints];
};

// Exact solution: screen X = (a[0]·x + a[1]·y + a[2]) / delta, Y likewise with b; delta > 0.
struct ExactFit {
    Int128 a[3], b[3], delta;
};

bool SolveExact(const Samples& s, ExactFit* fit)
{
    Int128 m[3][5] = {};
    for (uint32_t i = 0; i < s.n; ++i) {
        const Int128 v[3] = {s.rawX[i], s.rawY[i], 1};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                m[r][c] += v[r] * v[c];
            m[r][3] += v[r] * s.markX[i];
            m[r][4] += v[r] * s.markY[i];
        }
    }
    // Bareiss elimination: every division is exact and the last pivot is ±det.
    Int128 previous = 1;
    for (int k = 0; k < 2; ++k) {
        if (m[k][k] == 0) {
            int r = k + 1;
            while (r < 3 && m[r][k] == 0)
                ++r;
            if (r == 3)
                return false;
            for (int c = 0; c < 5; ++c)
                std::swap(m[k][c], m[r][c]);
        }
        for (int r = k + 1; r < 3; ++r) {
            for (int c = k + 1; c < 5; ++c)
                m[r][c] = (m[r][c] * m[k][k] - m[r][k] * m[k][c]) / previous;
            m[r][k] = 0;
        }
        previous = m[k][k];
    }
    Int128 d = m[2][2];
    if (d == 0)
        return false;
    Int128* out[2] = {fit->a, fit->b};
    for (int rhs = 0; rhs < 2; ++rhs) {
        const int c = 3 + rhs;
        Int128* p = out[rhs];
        p[2] = m[2][c];
        const Int128 n1 = m[1][c] * d - m[1][2] * p[2];
        const Int128 n0 = m[0][c] * d - m[0][2] * p[2];
        EXPECT_EQ(0, static_cast<int64_t>(n1 % m[1][1]));
        p[1] = n1 / m[1][1];
        const Int128 r0 = n0 - m[0][1] * p[1];
        EXPECT_EQ(0, static_cast<int64_t>(r0 % m[0][0]));
        p[0] = r0 / m[0][0];
    }
    if (d < 0) {
        d = -d;
        for (int i = 0; i < 3; ++i)
            fit->a[i] = -fit->a[i], fit->b[i] = -fit->b[i];
    }
    fit->delta = d;
    return true;
}

uint32_t BitLength(Int128 v)
{
    uint32_t bits = 0;
    for (Int128 m = v < 0 ? -v : v; m != 0; m >>= 1)
        ++bits;
    return bits;
}

// What the record must hold: half of delta in both offsets, then the smallest common shift
// that brings every value within its limit, rounding toward minus infinity.
CalibrationRecord ExpectedRecord(const ExactFit& fit)
{
    const Int128 v[7] = {fit.a[0], fit.a[1], fit.a[2] + fit.delta / 2,
                         fit.b[0], fit.b[1], fit.b[2] + fit.delta / 2,
                         fit.delta};
    const uint32_t limits[7] = {15, 15, 27, 15, 15, 27, 31};
    uint32_t shift = 0;
    for (int i = 0; i < 7; ++i) {
        const uint32_t bits = BitLength(v[i]);
        if (bits > limits[i] + shift)
            shift = bits - limits[i];
    }
    CalibrationRecord r = {};
    int32_t* fields[7] = {&r.A1, &r.B1, &r.C1, &r.A2, &r.B2, &r.C2, &r.Delta};
    for (int i = 0; i < 7; ++i)
        *fields[i] = static_cast<int32_t>(v[i] >> shift);
    r.Valid = 1;
    return r;
}

// The pixel the record gives must be the floor of a value within the shift's rounding of the
// exact fit plus half a pixel: |N'/D' - V| < (|x| + |y| + 1 + |V|) / D'.
::testing::AssertionResult PixelWithinRounding(int32_t pixel, Int128 a, Int128 b, Int128 c,
                                               Int128 delta, int32_t x, int32_t y,
                                               int32_t storedDelta)
{
    const Int128 numerator = a * x + b * y + c + delta / 2;
    const long double v = static_cast<long double>(numerator) / static_cast<long double>(delta);
    const long double bound =
        (fabsl(static_cast<long double>(x)) + fabsl(static_cast<long double>(y)) + 1 + fabsl(v)) /
            storedDelta +
        1e-9L;
    const bool ok = pixel > 0 ? pixel < v + bound && pixel + 1 > v - bound : v - bound < 1;
    if (ok)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel " << pixel << " for exact " << static_cast<double>(v) << " +- "
           << static_cast<double>(bound) << " at raw " << x << "," << y;
}

struct Panel {
    double m[2][2]; // screen pixels to raw units
    double t[2];
};

Panel RandomPanel(std::mt19937_64& random, uint32_t width, uint32_t height)
{
    std::uniform_real_distribution<double> unit(0, 1);
    const double angle = unit(random) * 2 * M_PI;
    const double sx = (0.8 + 0.45 * unit(random)) * (random() % 2 ? -1 : 1);
    const double sy = 0.8 + 0.45 * unit(random);
    const double shear = 0.3 * unit(random) - 0.15;
    const double c = cos(angle), s = sin(angle);
    Panel p;
    p.m[0][0] = c * sx, p.m[0][1] = c * shear - s * sy;
    p.m[1][0] = s * sx, p.m[1][1] = s * shear + c * sy;
    // Scale the screen's image to a raw span of 1024 to 4095 and move it into 0..4095.
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (int corner = 0; corner < 4; ++corner) {
        const double px = corner & 1 ? width : 0, py = corner & 2 ? height : 0;
        for (int k = 0; k < 2; ++k) {
            const double v = p.m[k][0] * px + p.m[k][1] * py;
            lo[k] = std::min(lo[k], v), hi[k] = std::max(hi[k], v);
        }
    }
    const double span = 1024 + unit(random) * 3071;
    const double f = span / std::max(hi[0] - lo[0], hi[1] - lo[1]);
    for (int k = 0; k < 2; ++k) {
        p.m[k][0] *= f, p.m[k][1] *= f;
        const double size = (hi[k] - lo[k]) * f;
        p.t[k] = -lo[k] * f + unit(random) * (4095 - size);
    }
    return p;
}

int32_t Clamp4095(double v)
{
    return static_cast<int32_t>(std::min(4095.0, std::max(0.0, v)));
}

TEST(CalibrationProperty, RecordMatchesExactLeastSquaresOnRandomPanels)
{
    std::mt19937_64 random(0x7a11c0de);
    int accepted = 0, cases = 0;
    for (int round = 0; round < 3000; ++round) {
        const uint32_t width = 320 + random() % 1601, height = 240 + random() % 961;
        const uint32_t margin = 3 + random() % 23;
        const bool noisy = round % 2 == 1;
        Samples s;
        s.n = 3 + random() % 7;
        const Panel p = RandomPanel(random, width, height);
        for (uint32_t i = 0; i < s.n; ++i) {
            ASSERT_TRUE(MarkPosition(width, height, i + 1, margin, &s.markX[i], &s.markY[i]));
            const double noiseX = noisy ? static_cast<int>(random() % 7) - 3 : 0;
            const double noiseY = noisy ? static_cast<int>(random() % 7) - 3 : 0;
            const double X = s.markX[i], Y = s.markY[i];
            s.rawX[i] = Clamp4095(lround(p.m[0][0] * X + p.m[0][1] * Y + p.t[0]) + noiseX);
            s.rawY[i] = Clamp4095(lround(p.m[1][0] * X + p.m[1][1] * Y + p.t[1]) + noiseY);
        }
        ExactFit fit;
        ASSERT_TRUE(SolveExact(s, &fit)) << round;
        ++cases;

        CalibrationRecord record = {};
        uint32_t worst = 0;
        int32_t worstIndex = -1;
        const bool ok = ComputeCalibration(&record, s.n, s.markX, s.markY, s.rawX, s.rawY, 30,
                                           &worst, &worstIndex);
        const CalibrationRecord expected = ExpectedRecord(fit);
        ASSERT_EQ(expected.A1, record.A1) << round;
        ASSERT_EQ(expected.B1, record.B1) << round;
        ASSERT_EQ(expected.C1, record.C1) << round;
        ASSERT_EQ(expected.A2, record.A2) << round;
        ASSERT_EQ(expected.B2, record.B2) << round;
        ASSERT_EQ(expected.C2, record.C2) << round;
        ASSERT_EQ(expected.Delta, record.Delta) << round;
        ASSERT_EQ(1, record.Valid) << round;
        ASSERT_GT(record.Delta, 0);
        ASSERT_LT(worstIndex, static_cast<int32_t>(s.n));
        if (!noisy) {
            // Only the rounding of the raw points to whole units is left.
            EXPECT_TRUE(ok) << round;
            EXPECT_LE(worst, 8u) << round;
        }
        accepted += ok;

        // The marks and random raw points all land where the exact fit puts them.
        for (uint32_t i = 0; i < s.n + 20; ++i) {
            const int32_t x = i < s.n ? s.rawX[i] : static_cast<int32_t>(random() % 4096);
            const int32_t y = i < s.n ? s.rawY[i] : static_cast<int32_t>(random() % 4096);
            int32_t qx, qy;
            TransformPoint(record, x, y, &qx, &qy);
            ASSERT_TRUE(PixelWithinRounding(qx / 4, fit.a[0], fit.a[1], fit.a[2], fit.delta, x, y,
                                            record.Delta))
                << round;
            ASSERT_TRUE(PixelWithinRounding(qy / 4, fit.b[0], fit.b[1], fit.b[2], fit.delta, x, y,
                                            record.Delta))
                << round;
        }
    }
    // Small noise on panels of this resolution stays far within 30 pixels.
    EXPECT_EQ(cases, accepted);
}

} // namespace
