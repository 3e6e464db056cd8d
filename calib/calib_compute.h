// The calibration's numeric core: mark positions, the exact least-squares fit and its validation.
// Pure computation: no window, registry or device code, so it also builds natively.
#pragma once

#include <stdint.h>

#include "calib_types.h"

// Signed 96-bit integer: sign (0 zero or positive, 1 negative) and magnitude, low word first.
struct WideInt {
    uint32_t sign;
    uint32_t mag[3];
};

WideInt WideFromInt32(int32_t value);
WideInt WideAdd(const WideInt& a, const WideInt& b);
WideInt WideSub(const WideInt& a, const WideInt& b);
// The product's magnitude keeps its low 96 bits.
WideInt WideMul(const WideInt& a, const WideInt& b);
uint32_t WideBitLength(const WideInt& a);
// Truncating division by 2.
WideInt WideHalve(const WideInt& a);
// Arithmetic shift of the two's-complement form: division by 2^s rounded toward minus infinity.
WideInt WideShiftRight(const WideInt& a, uint32_t s);
// Low 32 bits of the two's-complement form.
int32_t WideLow32(const WideInt& a);

// Position of mark k (1 to 9) on a client area of width × height for a margin in percent.
// False for any other k; the caller reports ERROR_INVALID_PARAMETER.
bool MarkPosition(uint32_t width, uint32_t height, uint32_t k, uint32_t margin, int32_t* x,
                  int32_t* y);

// Raw point to screen position in quarter pixels, exactly as the driver evaluates a record.
void TransformPoint(const CalibrationRecord& record, int32_t x, int32_t y, int32_t* qx,
                    int32_t* qy);

// Worst squared deviation over the n marks, accepted when below maxCalError². Sets the worst
// deviation in whole pixels and the 0-based index of the first mark that has it.
bool ValidateCalibration(const CalibrationRecord& record, uint32_t n, const int32_t* markX,
                         const int32_t* markY, const int32_t* rawX, const int32_t* rawY,
                         uint32_t maxCalError, uint32_t* worstDeviation, int32_t* worstIndex);

// Fits A1..C2, Delta and Valid from n samples (n from 1 to MaxCalibPoints), then validates.
// CX and CY are left to the caller.
bool ComputeCalibration(CalibrationRecord* record, uint32_t n, const int32_t* markX,
                        const int32_t* markY, const int32_t* rawX, const int32_t* rawY,
                        uint32_t maxCalError, uint32_t* worstDeviation, int32_t* worstIndex);
