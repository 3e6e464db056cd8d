#include "calib_compute.h"

#include <math.h>

// All wrapping arithmetic is done on unsigned values; this turns the 32-bit result back into
// its two's-complement value without relying on implementation-defined conversions.
static int32_t ToInt32(uint32_t value)
{
    if (value <= 0x7FFFFFFFu)
        return static_cast<int32_t>(value);
    return static_cast<int32_t>(value - 0x80000000u) - 0x7FFFFFFF - 1;
}

static bool MagIsZero(const uint32_t* m)
{
    return (m[0] | m[1] | m[2]) == 0;
}

// -1, 0 or 1 as a is below, equal to or above b.
static int MagCompare(const uint32_t* a, const uint32_t* b)
{
    for (int i = 2; i >= 0; --i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

// Sum modulo 2^96.
static void MagAdd(const uint32_t* a, const uint32_t* b, uint32_t* r)
{
    uint64_t carry = 0;
    for (int i = 0; i < 3; ++i) {
        const uint64_t t = static_cast<uint64_t>(a[i]) + b[i] + carry;
        r[i] = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
}

// a - b for a >= b.
static void MagSub(const uint32_t* a, const uint32_t* b, uint32_t* r)
{
    uint32_t borrow = 0;
    for (int i = 0; i < 3; ++i) {
        const uint64_t t = static_cast<uint64_t>(a[i]) - b[i] - borrow;
        r[i] = static_cast<uint32_t>(t);
        borrow = static_cast<uint32_t>(t >> 63);
    }
}

static WideInt Normalized(uint32_t sign, const uint32_t* m)
{
    WideInt r;
    r.mag[0] = m[0];
    r.mag[1] = m[1];
    r.mag[2] = m[2];
    r.sign = MagIsZero(m) ? 0 : sign;
    return r;
}

WideInt WideFromInt32(int32_t value)
{
    const uint32_t bits = static_cast<uint32_t>(value);
    const uint32_t m[3] = {value < 0 ? 0u - bits : bits, 0, 0};
    return Normalized(value < 0 ? 1 : 0, m);
}

// Sums beyond 96 bits keep the low 96 bits of the magnitude, like the product.
WideInt WideAdd(const WideInt& a, const WideInt& b)
{
    uint32_t m[3];
    if (a.sign == b.sign) {
        MagAdd(a.mag, b.mag, m);
        return Normalized(a.sign, m);
    }
    if (MagCompare(a.mag, b.mag) >= 0) {
        MagSub(a.mag, b.mag, m);
        return Normalized(a.sign, m);
    }
    MagSub(b.mag, a.mag, m);
    return Normalized(b.sign, m);
}

WideInt WideSub(const WideInt& a, const WideInt& b)
{
    WideInt negated = b;
    negated.sign = MagIsZero(b.mag) ? 0 : 1 - b.sign;
    return WideAdd(a, negated);
}

WideInt WideMul(const WideInt& a, const WideInt& b)
{
    uint32_t m[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        uint64_t carry = 0;
        for (int j = 0; i + j < 3; ++j) {
            // At most (2^32 - 1)^2 + 2 (2^32 - 1) = 2^64 - 1: no overflow.
            const uint64_t t = static_cast<uint64_t>(a.mag[i]) * b.mag[j] + m[i + j] + carry;
            m[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
    }
    return Normalized(a.sign ^ b.sign, m);
}

uint32_t WideBitLength(const WideInt& a)
{
    for (int i = 2; i >= 0; --i) {
        uint32_t word = a.mag[i];
        if (word == 0)
            continue;
        uint32_t bits = 0;
        while (word != 0) {
            ++bits;
            word >>= 1;
        }
        return static_cast<uint32_t>(i) * 32 + bits;
    }
    return 0;
}

// Magnitude shifted right by s (below 96); true when a set bit was shifted out.
static bool MagShiftRight(const uint32_t* in, uint32_t s, uint32_t* out)
{
    const uint32_t words = s / 32;
    const uint32_t bits = s % 32;
    bool lost = false;
    for (uint32_t i = 0; i < words; ++i)
        lost = lost || in[i] != 0;
    if (bits != 0)
        lost = lost || (in[words] & ((1u << bits) - 1)) != 0;
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t lo = i + words < 3 ? in[i + words] : 0;
        const uint32_t hi = i + words + 1 < 3 ? in[i + words + 1] : 0;
        out[i] = bits == 0 ? lo : (lo >> bits) | (hi << (32 - bits));
    }
    return lost;
}

WideInt WideHalve(const WideInt& a)
{
    uint32_t m[3];
    MagShiftRight(a.mag, 1, m);
    return Normalized(a.sign, m);
}

WideInt WideShiftRight(const WideInt& a, uint32_t s)
{
    if (s == 0)
        return a;
    if (s >= 96)
        return WideFromInt32(a.sign != 0 ? -1 : 0);
    uint32_t m[3];
    const bool lost = MagShiftRight(a.mag, s, m);
    // Rounding toward minus infinity moves a negative value with a remainder one further down.
    if (a.sign != 0 && lost) {
        const uint32_t one[3] = {1, 0, 0};
        MagAdd(m, one, m);
    }
    return Normalized(a.sign, m);
}

int32_t WideLow32(const WideInt& a)
{
    return ToInt32(a.sign != 0 ? 0u - a.mag[0] : a.mag[0]);
}

bool MarkPosition(uint32_t width, uint32_t height, uint32_t k, uint32_t margin, int32_t* x,
                  int32_t* y)
{
    // Column and row of each mark: 0 at the margin, 1 in the centre, 2 at the far margin.
    static const uint8_t places[9][2] = {{0, 0}, {0, 2}, {2, 2}, {2, 0}, {1, 1},
                                         {1, 0}, {1, 2}, {0, 1}, {2, 1}};
    if (k < 1 || k > 9)
        return false;
    const uint32_t mx = width * margin / 100;
    const uint32_t my = height * margin / 100;
    const uint32_t columns[3] = {mx, width / 2, width - mx};
    const uint32_t rows[3] = {my, height / 2, height - my};
    *x = ToInt32(columns[places[k - 1][0]]);
    *y = ToInt32(rows[places[k - 1][1]]);
    return true;
}

// 32-bit evaluation of one screen coordinate in quarter pixels, wrapping like the driver's.
static int32_t QuarterPixels(int32_t a, int32_t b, int32_t c, int32_t delta, int32_t x, int32_t y)
{
    const uint32_t sum = static_cast<uint32_t>(a) * static_cast<uint32_t>(x) +
                         static_cast<uint32_t>(b) * static_cast<uint32_t>(y) +
                         static_cast<uint32_t>(c);
    const int32_t numerator = ToInt32(sum * 4);
    // The one quotient that does not fit wraps as well.
    const int32_t q =
        delta == -1 ? ToInt32(0u - static_cast<uint32_t>(numerator)) : numerator / delta;
    return q < 0 ? 0 : q;
}

void TransformPoint(const CalibrationRecord& record, int32_t x, int32_t y, int32_t* qx, int32_t* qy)
{
    // A record without a usable denominator cannot be in force: the raw point passes through.
    if (record.Valid == 0 || record.Delta == 0) {
        *qx = x;
        *qy = y;
        return;
    }
    *qx = QuarterPixels(record.A1, record.B1, record.C1, record.Delta, x, y);
    *qy = QuarterPixels(record.A2, record.B2, record.C2, record.Delta, x, y);
}

// Squared distance in whole pixels. Held at the 32-bit maximum where it would wrap, so a
// point tens of thousands of pixels off can never pass as a small deviation.
static uint32_t SquaredDeviation(int32_t qx, int32_t qy, int32_t markX, int32_t markY)
{
    const int64_t dx = static_cast<int64_t>(qx / 4) - markX;
    const int64_t dy = static_cast<int64_t>(qy / 4) - markY;
    if (dx < -65535 || dx > 65535 || dy < -65535 || dy > 65535)
        return 0xFFFFFFFFu;
    const uint64_t d = static_cast<uint64_t>(dx * dx + dy * dy);
    return d > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(d);
}

bool ValidateCalibration(const CalibrationRecord& record, uint32_t n, const int32_t* markX,
                         const int32_t* markY, const int32_t* rawX, const int32_t* rawY,
                         uint32_t maxCalError, uint32_t* worstDeviation, int32_t* worstIndex)
{
    uint32_t worst = 0;
    int32_t index = 0;
    for (uint32_t i = 0; i < n; ++i) {
        int32_t qx, qy;
        TransformPoint(record, rawX[i], rawY[i], &qx, &qy);
        const uint32_t d = SquaredDeviation(qx, qy, markX[i], markY[i]);
        if (d > worst) {
            worst = d;
            index = static_cast<int32_t>(i);
        }
    }
    *worstDeviation = static_cast<uint32_t>(sqrtf(static_cast<float>(worst)));
    *worstIndex = index;
    // The limit saturates instead of wrapping: a huge allowed error must not become a small one.
    const uint64_t limit = static_cast<uint64_t>(maxCalError) * maxCalError;
    return worst < (limit > 0xFFFFFFFFu ? 0xFFFFFFFFu : limit);
}

// m0·m4·m8 + m2·m3·m7 + m1·m5·m6 − m2·m4·m6 − m1·m3·m8 − m0·m5·m7.
static WideInt Determinant(const WideInt* m)
{
    WideInt d = WideMul(WideMul(m[0], m[4]), m[8]);
    d = WideAdd(d, WideMul(WideMul(m[2], m[3]), m[7]));
    d = WideAdd(d, WideMul(WideMul(m[1], m[5]), m[6]));
    d = WideSub(d, WideMul(WideMul(m[2], m[4]), m[6]));
    d = WideSub(d, WideMul(WideMul(m[1], m[3]), m[8]));
    return WideSub(d, WideMul(WideMul(m[0], m[5]), m[7]));
}

// det M with column c replaced by rhs.
static WideInt ColumnDeterminant(const WideInt* m, int c, const WideInt* rhs)
{
    WideInt t[9];
    for (int i = 0; i < 9; ++i)
        t[i] = i % 3 == c ? rhs[i / 3] : m[i];
    return Determinant(t);
}

static uint32_t Excess(const WideInt& value, uint32_t limit)
{
    const uint32_t bits = WideBitLength(value);
    return bits > limit ? bits - limit : 0;
}

bool ComputeCalibration(CalibrationRecord* record, uint32_t n, const int32_t* markX,
                        const int32_t* markY, const int32_t* rawX, const int32_t* rawY,
                        uint32_t maxCalError, uint32_t* worstDeviation, int32_t* worstIndex)
{
    if (n < 1 || n > MaxCalibPoints) {
        record->A1 = record->B1 = record->C1 = 0;
        record->A2 = record->B2 = record->C2 = 0;
        record->Delta = 1;
        record->Valid = 0;
        *worstDeviation = 0;
        *worstIndex = 0;
        return false;
    }

    const WideInt zero = WideFromInt32(0);
    WideInt sxx = zero, sxy = zero, sx = zero, syy = zero, sy = zero;
    WideInt sxX = zero, syX = zero, sX = zero, sxY = zero, syY = zero, sY = zero;
    for (uint32_t i = 0; i < n; ++i) {
        const WideInt x = WideFromInt32(rawX[i]);
        const WideInt y = WideFromInt32(rawY[i]);
        const WideInt X = WideFromInt32(markX[i]);
        const WideInt Y = WideFromInt32(markY[i]);
        sxx = WideAdd(sxx, WideMul(x, x));
        sxy = WideAdd(sxy, WideMul(x, y));
        sx = WideAdd(sx, x);
        syy = WideAdd(syy, WideMul(y, y));
        sy = WideAdd(sy, y);
        sxX = WideAdd(sxX, WideMul(x, X));
        syX = WideAdd(syX, WideMul(y, X));
        sX = WideAdd(sX, X);
        sxY = WideAdd(sxY, WideMul(x, Y));
        syY = WideAdd(syY, WideMul(y, Y));
        sY = WideAdd(sY, Y);
    }
    const WideInt count = WideFromInt32(static_cast<int32_t>(n));

    const WideInt m[9] = {sxx, sxy, sx, sxy, syy, sy, sx, sy, count};
    const WideInt rhsX[3] = {sxX, syX, sX};
    const WideInt rhsY[3] = {sxY, syY, sY};
    // Order of the seven values: A1, B1, C1, A2, B2, C2, Delta.
    WideInt v[7] = {ColumnDeterminant(m, 0, rhsX),
                    ColumnDeterminant(m, 1, rhsX),
                    ColumnDeterminant(m, 2, rhsX),
                    ColumnDeterminant(m, 0, rhsY),
                    ColumnDeterminant(m, 1, rhsY),
                    ColumnDeterminant(m, 2, rhsY),
                    Determinant(m)};

    // Half a pixel in the offsets, so that the driver's truncating division rounds.
    const WideInt half = WideHalve(v[6]);
    v[2] = WideAdd(v[2], half);
    v[5] = WideAdd(v[5], half);

    // One common shift keeps the ratios and bounds the driver's 32-bit evaluation.
    static const uint32_t limits[7] = {15, 15, 27, 15, 15, 27, 31};
    uint32_t shift = 0;
    for (int i = 0; i < 7; ++i) {
        const uint32_t e = Excess(v[i], limits[i]);
        shift = e > shift ? e : shift;
    }
    int32_t out[7];
    for (int i = 0; i < 7; ++i)
        out[i] = WideLow32(WideShiftRight(v[i], shift));

    record->A1 = out[0];
    record->B1 = out[1];
    record->C1 = out[2];
    record->A2 = out[3];
    record->B2 = out[4];
    record->C2 = out[5];
    // A true determinant of the normal matrix is never negative; a negative one can only come
    // from raw coordinates so wide that the products left 96 bits, and is as unusable as 0.
    if (out[6] <= 0) {
        record->Delta = 1;
        record->Valid = 0;
    } else {
        record->Delta = out[6];
        record->Valid = 1;
    }
    const bool accepted = ValidateCalibration(*record, n, markX, markY, rawX, rawY, maxCalError,
                                              worstDeviation, worstIndex);
    // Raw points that happen to lie near the marks pass the check uncalibrated; such a record
    // calibrates nothing and is never accepted.
    return accepted && record->Valid == 1;
}
