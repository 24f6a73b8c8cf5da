#include "service/NumberText.h"

#include <charconv>
#include <cmath>
#include <string_view>

namespace service
{
namespace
{

constexpr int kFixedDecimals = 6;
// Longer text cannot be a number any reader would write; only the registry's 15 characters arrive here.
constexpr size_t kParseBufferSize = 64;

bool IsCLocaleSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

double ParseDecimal(const wchar_t* text)
{
    while (IsCLocaleSpace(*text))
    {
        ++text;
    }
    // from_chars takes narrow characters and no leading plus; anything outside ASCII ends the number.
    char narrow[kParseBufferSize];
    size_t length = 0;
    bool negative = false;
    if (*text == L'+' || *text == L'-')
    {
        negative = *text == L'-';
        ++text;
    }
    for (; text[length] > L' ' && text[length] < 0x7F && length + 1 < kParseBufferSize; ++length)
    {
        narrow[length] = static_cast<char>(text[length]);
    }
    // A decimal number begins with a digit or a point; from_chars would also take a second sign and the words
    // "inf" and "nan", and a NaN level would slip past the device's range check.
    if (length == 0 || !(IsDecimalDigit(narrow[0]) || narrow[0] == '.'))
    {
        return 0.0;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(narrow, narrow + length, value, std::chars_format::general);
    if (error == std::errc::invalid_argument)
    {
        return 0.0;
    }
    if (error == std::errc::result_out_of_range)
    {
        // Too large overflows to infinity as wcstod does; a negative exponent can only have underflowed.
        const std::string_view number(narrow, static_cast<size_t>(end - narrow));
        const size_t exponent = number.find_first_of("eE");
        const bool underflow =
            exponent != std::string_view::npos && exponent + 1 < number.size() && number[exponent + 1] == '-';
        value = underflow ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

FixedSixText FormatFixedSix(double value)
{
    char narrow[kFixedSixChars];
    const auto end =
        std::to_chars(narrow, narrow + kFixedSixChars - 1, value, std::chars_format::fixed, kFixedDecimals)
            .ptr;
    FixedSixText result;
    const size_t length = static_cast<size_t>(end - narrow);
    for (size_t i = 0; i < length; ++i)
    {
        result.text[i] = static_cast<wchar_t>(narrow[i]);
    }
    result.text[length] = L'\0';
    return result;
}

} // namespace service
