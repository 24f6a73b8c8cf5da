#pragma once

#include <cstddef>

// Numbers in registry texts always use the full stop, whatever the user's regional settings.
namespace service
{

// Like wcstod in the "C" locale, but for decimal numbers only: skips leading white space, reads the longest
// decimal number, and gives 0 when the text does not begin with one. "inf" and "nan" are no numbers here,
// and "0x10" reads as 0.
double ParseDecimal(const wchar_t* text);

// Enough for the longest fixed-notation double: sign, 309 integer digits, point, six decimals, terminator.
constexpr size_t kFixedSixChars = 320;
struct FixedSixText
{
    wchar_t text[kFixedSixChars];
};

// Like "%f" in the "C" locale: fixed notation with six decimals.
FixedSixText FormatFixedSix(double value);

} // namespace service
