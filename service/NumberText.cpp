#include "service/NumberText.h"

#include "service/BigUnsigned.h"

#include <bit>
#include <cstdint>

// Both directions are exact: parsing rounds the decimal value to the nearest double (ties to even) and
// formatting rounds the double's exact binary value to six decimals (ties to even), as the C runtime's
// correctly rounding conversions do. Big integers keep them exact without the runtime's tables.
namespace service
{
namespace
{

constexpr unsigned kFixedDecimals = 6;
constexpr uint32_t kFixedScale = 1000000; // 10^kFixedDecimals
// Only this many characters take part in a number; the registry delivers 15 at most.
constexpr size_t kMaxNumberChars = 63;

// The binary64 layout.
constexpr unsigned kMantissaBits = 52;
constexpr uint64_t kMantissaMask = (uint64_t{1} << kMantissaBits) - 1;
constexpr uint64_t kHiddenBit = uint64_t{1} << kMantissaBits;
constexpr uint64_t kExponentMask = 0x7FF;
constexpr long kExponentBias = 1023;
constexpr long kSmallestUnit = -1074; // exponent of the last bit of the smallest subnormal
constexpr uint64_t kInfinityBits = kExponentMask << kMantissaBits;
constexpr uint64_t kSignBit = uint64_t{1} << 63;

// Numbers of at least 10^309 are infinite; numbers below 10^-324 (less than half the smallest subnormal)
// round to zero. Between them the big integers never exceed their capacity.
constexpr long kMaxDecimalMagnitude = 309;
constexpr long kMinDecimalMagnitude = -323;
// Exponents beyond this are infinite or zero whatever the digits; reading stops growing them there.
constexpr long kExponentSaturation = 100000;
// Quotient bits beyond the 53 of the mantissa, so that rounding sees its half bit and more.
constexpr size_t kGuardBits = 3;

bool IsCLocaleSpace(wchar_t c)
{
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

bool IsDecimalDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

unsigned DigitValue(wchar_t c)
{
    return static_cast<unsigned>(c - L'0');
}

// Builds the double mantissa * 2^unit, where mantissa has at most 53 significant bits or is exactly 2^53
// (a rounding carry); unit is the exponent of the last mantissa bit.
double ComposeDouble(uint64_t mantissa, long unit)
{
    if (mantissa == 0)
    {
        return 0.0;
    }
    if (mantissa > kHiddenBit * 2 - 1)
    {
        mantissa >>= 1;
        ++unit;
    }
    if (mantissa < kHiddenBit)
    {
        return std::bit_cast<double>(mantissa); // subnormal: unit is the smallest
    }
    const long biased = unit + static_cast<long>(kMantissaBits) + kExponentBias;
    if (biased >= static_cast<long>(kExponentMask))
    {
        return std::bit_cast<double>(kInfinityBits);
    }
    return std::bit_cast<double>(static_cast<uint64_t>(biased) << kMantissaBits | (mantissa & kMantissaMask));
}

// Rounds (value + an amount below one unit when inexact) * 2^exponent to the nearest double, ties to even.
// value is not zero; when inexact, it carries the guard bits beyond the mantissa.
double RoundToDouble(const BigUnsigned& value, long exponent, bool inexact)
{
    const long top = static_cast<long>(value.BitLength()) - 1 + exponent;
    const long unit = top - static_cast<long>(kMantissaBits) > kSmallestUnit
                          ? top - static_cast<long>(kMantissaBits)
                          : kSmallestUnit;
    const long dropped = unit - exponent;
    if (dropped <= 0)
    {
        return ComposeDouble(value.BitsFrom(0) << -dropped, unit);
    }
    const size_t drop = static_cast<size_t>(dropped);
    uint64_t mantissa = value.BitsFrom(drop);
    const bool half = value.Bit(drop - 1);
    const bool aboveHalf = inexact || value.AnyBitBelow(drop - 1);
    if (half && (aboveHalf || (mantissa & 1) != 0))
    {
        ++mantissa;
    }
    return ComposeDouble(mantissa, unit);
}

// digits * 10^exponent rounded to the nearest double; significantDigits counts digits from the first that is
// not zero.
double DecimalToDouble(BigUnsigned digits, long exponent, long significantDigits)
{
    if (digits.IsZero())
    {
        return 0.0;
    }
    const long magnitude = significantDigits + exponent; // the value lies in [10^(magnitude-1), 10^magnitude)
    if (magnitude > kMaxDecimalMagnitude)
    {
        return std::bit_cast<double>(kInfinityBits);
    }
    if (magnitude < kMinDecimalMagnitude)
    {
        return 0.0;
    }
    if (exponent >= 0)
    {
        digits.MultiplyByPowerOfTen(static_cast<unsigned>(exponent));
        return RoundToDouble(digits, 0, false);
    }
    BigUnsigned divisor(1);
    divisor.MultiplyByPowerOfTen(static_cast<unsigned>(-exponent));
    // Scaled so that the quotient has the 53 mantissa bits and the guard bits.
    const size_t wanted = divisor.BitLength() + kMantissaBits + kGuardBits;
    const size_t shift = wanted > digits.BitLength() ? wanted - digits.BitLength() : 0;
    digits.ShiftLeft(shift);
    const BigUnsigned quotient = digits.DivideKeepRemainder(divisor);
    return RoundToDouble(quotient, -static_cast<long>(shift), !digits.IsZero());
}

} // namespace

double ParseDecimal(const wchar_t* text)
{
    while (IsCLocaleSpace(*text))
    {
        ++text;
    }
    bool negative = false;
    if (*text == L'+' || *text == L'-')
    {
        negative = *text == L'-';
        ++text;
    }
    size_t available = 0;
    while (available < kMaxNumberChars && text[available] != L'\0')
    {
        ++available;
    }
    const auto at = [&](size_t index) { return index < available ? text[index] : L'\0'; };

    // The longest decimal number: digits with an optional point, then an optional exponent.
    BigUnsigned digits;
    long exponent = 0;
    long significantDigits = 0;
    bool anyDigit = false;
    size_t position = 0;
    const auto readDigits = [&](bool fraction)
    {
        for (; IsDecimalDigit(at(position)); ++position)
        {
            anyDigit = true;
            if (significantDigits > 0 || at(position) != L'0')
            {
                digits.MultiplyAdd(10, DigitValue(at(position)));
                ++significantDigits;
            }
            exponent -= fraction ? 1 : 0;
        }
    };
    readDigits(false);
    if (at(position) == L'.')
    {
        ++position;
        readDigits(true);
    }
    if (!anyDigit)
    {
        return 0.0;
    }
    if (at(position) == L'e' || at(position) == L'E')
    {
        size_t exponentPosition = position + 1;
        const bool negativeExponent = at(exponentPosition) == L'-';
        if (at(exponentPosition) == L'+' || negativeExponent)
        {
            ++exponentPosition;
        }
        long written = 0;
        for (; IsDecimalDigit(at(exponentPosition)); ++exponentPosition)
        {
            written = written < kExponentSaturation
                          ? written * 10 + static_cast<long>(DigitValue(at(exponentPosition)))
                          : written;
        }
        exponent += negativeExponent ? -written : written;
    }
    const double value = DecimalToDouble(digits, exponent, significantDigits);
    return negative ? -value : value;
}

FixedSixText FormatFixedSix(double value)
{
    FixedSixText result;
    size_t length = 0;
    const auto append = [&](const wchar_t* text)
    {
        for (; *text != L'\0'; ++text)
        {
            result.text[length++] = *text;
        }
    };

    const auto bits = std::bit_cast<uint64_t>(value);
    if ((bits & kSignBit) != 0)
    {
        append(L"-");
    }
    const uint64_t biased = bits >> kMantissaBits & kExponentMask;
    uint64_t mantissa = bits & kMantissaMask;
    if (biased == kExponentMask)
    {
        append(mantissa == 0 ? L"inf" : L"nan");
        result.text[length] = L'\0';
        return result;
    }
    long unit = kSmallestUnit;
    if (biased != 0)
    {
        mantissa |= kHiddenBit;
        unit = static_cast<long>(biased) - kExponentBias - static_cast<long>(kMantissaBits);
    }

    // The value in millionths: mantissa * 10^6 * 2^unit, rounded to a whole number, ties to even.
    BigUnsigned scaled(mantissa);
    scaled.MultiplyAdd(kFixedScale, 0);
    if (unit >= 0)
    {
        scaled.ShiftLeft(static_cast<size_t>(unit));
    }
    else
    {
        const size_t drop = static_cast<size_t>(-unit);
        const bool half = scaled.Bit(drop - 1);
        const bool aboveHalf = scaled.AnyBitBelow(drop - 1);
        scaled.ShiftRight(drop);
        if (half && (aboveHalf || scaled.Bit(0)))
        {
            scaled.MultiplyAdd(1, 1);
        }
    }

    wchar_t digits[kFixedSixChars];
    size_t count = 0;
    do
    {
        digits[count++] = static_cast<wchar_t>(L'0' + scaled.DivideSmall(10));
    } while (!scaled.IsZero() || count <= kFixedDecimals);
    while (count > kFixedDecimals)
    {
        result.text[length++] = digits[--count];
    }
    result.text[length++] = L'.';
    while (count > 0)
    {
        result.text[length++] = digits[--count];
    }
    result.text[length] = L'\0';
    return result;
}

} // namespace service
