#pragma once

#include <QString>
#include <cstdint>

namespace tavrin {

// The one place where text becomes a number and numbers become text.

using Integer = int16_t;
using Long = int32_t;
using Flag = int16_t; // 0 or -1
constexpr Flag True = -1;
constexpr Flag False = 0;

// True when the text reads as a decimal number: optional blanks around it, an optional sign, digits with
// an optional decimal point, an optional exponent. The value goes to *value when given.
bool ReadsAsNumber(QStringView text, double* value = nullptr);

// The value of a text that reads as a number; failure 13 otherwise.
double TextToNumber(QStringView text);

// Rounds to the nearest whole number, halves to the even neighbour; failure 6 outside the kind's range.
Integer ToInteger(double value);
Long ToLong(double value);

// Text that must hold a number, converted to an Integer (failure 13 or 6).
Integer TextToInteger(QStringView text);

// True when the text is a number in the plain form NumberToText uses for most numbers: an optional minus
// sign, digits without a redundant leading zero, and optionally a point and digits that do not end in a
// zero; no plus sign, blanks or exponent, and not "-0".
bool IsPlainNumberText(QStringView text);

// Decimal text of a number in its shortest exact form: whole numbers without a decimal point, a leading
// minus sign when negative, nothing else.
QString NumberToText(double value);

} // namespace tavrin
