#pragma once

#include <cstdint>

#include "base/Text.h"

namespace base {

// The leading number of a text: spaces, tabs and line feeds are ignored wherever they
// stand; then an optional sign, digits with at most one period and an optional
// exponent (E and an optionally signed integer). Reading stops at the first character
// that cannot continue the number (a CR, a second period). "&H" and "&O" read a
// hexadecimal or octal integer. A text that does not begin with a number reads as 0.
double LeadingNumber(TextView text);

// A double as text: rounded to 15 significant digits, trailing zeros dropped, "0" for
// zero, fixed form ("0.2", "-0.1", "10") when the magnitude is below 1E15 and at most
// 15 digits follow the point, otherwise exponent form ("4.99999999999998E-02", "1E+15").
Text NumberToText(double value);

// The value rounded to 15 significant digits, as NumberToText writes it and reads back.
double RoundTo15Digits(double value);

// Rounding to the nearest integer with ties to the even neighbour. A value outside the
// target range (or NaN) throws RuntimeError(Overflow).
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);
// Narrowing of an integer; out of range throws RuntimeError(Overflow).
std::int16_t ToInt16(std::int64_t value);

// Rounding to `digits` decimals with ties to the even neighbour.
double RoundDecimals(double value, int digits);

// The pattern "0.00": at least one digit before the point, exactly two after it,
// rounded half away from zero on the value's 15-significant-digit decimal form.
Text FormatZeroPointZeroZero(double value);

// A text read as a number for a 32-bit integer: surrounding blanks allowed, then a
// decimal number (sign, digits, fraction, exponent) or "&H"/"&O" integer, rounded with
// ties to even. Anything else throws TypeMismatch; out of range throws Overflow.
std::int32_t TextToInt32(TextView text);

// Floating-point results checked as the runtime checks them: a division whose result is
// NaN or an infinity throws DivisionByZero; CheckFinite throws Overflow for either.
double CheckedDivide(double numerator, double denominator);
double CheckFinite(double value);

}  // namespace base
