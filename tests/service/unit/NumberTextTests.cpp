#include "service/NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace service
{
namespace
{

struct ParseCase
{
    const wchar_t* text;
    double expected;
};

class ParseDecimalTest : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseDecimalTest, ReadsLikeTheCLocale)
{
    EXPECT_DOUBLE_EQ(ParseDecimal(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDecimalTest,
    ::testing::Values(ParseCase{L"500000", 500000.0}, ParseCase{L" \t\r\n\v\f42", 42.0},
                      ParseCase{L"+7.5", 7.5}, ParseCase{L"-0.25", -0.25}, ParseCase{L".5", 0.5},
                      ParseCase{L"5.", 5.0}, ParseCase{L"2.5e3x", 2500.0}, ParseCase{L"1E-2", 0.01},
                      ParseCase{L"3e", 3.0}, ParseCase{L"1,5", 1.0}, ParseCase{L"12 34", 12.0},
                      ParseCase{L"", 0.0}, ParseCase{L"abc", 0.0}, ParseCase{L"+-5", 0.0},
                      ParseCase{L"--5", 0.0}, ParseCase{L"- 5", 0.0}, ParseCase{L"\u00A05", 0.0},
                      ParseCase{L"4\u0665", 4.0}, ParseCase{L"1e-999", 0.0}, ParseCase{L"inf", 0.0},
                      ParseCase{L"-Infinity", 0.0}, ParseCase{L" NaN", 0.0}, ParseCase{L"nan(1)", 0.0},
                      ParseCase{L"0x10", 0.0}));

TEST(ParseDecimal, OverflowGivesInfinityWithItsSign)
{
    EXPECT_EQ(ParseDecimal(L"1e999"), HUGE_VAL);
    EXPECT_EQ(ParseDecimal(L"-1e999"), -HUGE_VAL);
}

struct FormatCase
{
    double value;
    const wchar_t* expected;
};

class FormatFixedSixTest : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(FormatFixedSixTest, WritesSixDecimalsWithAFullStop)
{
    EXPECT_EQ(std::wstring(FormatFixedSix(GetParam().value).text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatFixedSixTest,
                         ::testing::Values(FormatCase{0.5, L"0.500000"}, FormatCase{1.0, L"1.000000"},
                                           FormatCase{0.0, L"0.000000"}, FormatCase{0.1234567, L"0.123457"},
                                           FormatCase{static_cast<double>(0.3f), L"0.300000"},
                                           FormatCase{-0.25, L"-0.250000"},
                                           FormatCase{1e20, L"100000000000000000000.000000"}));

TEST(FormatFixedSix, HoldsTheLargestDouble)
{
    const std::wstring text = FormatFixedSix(-1.7976931348623157e308).text;
    EXPECT_EQ(text.size(), 1u + 309u + 7u);
    EXPECT_TRUE(text.ends_with(L".000000"));
}

// The contract, written with the C++ runtime's correctly rounding conversions (which the service does not
// link): from_chars on the first 63 ASCII characters after an optional sign, a decimal number only, overflow
// to infinity, underflow to zero; to_chars in fixed notation with six decimals.
double ReferenceParse(const wchar_t* text)
{
    while (*text == L' ' || (*text >= L'\t' && *text <= L'\r'))
    {
        ++text;
    }
    bool negative = false;
    if (*text == L'+' || *text == L'-')
    {
        negative = *text == L'-';
        ++text;
    }
    std::string narrow;
    for (; *text > L' ' && *text < 0x7F && narrow.size() < 63; ++text)
    {
        narrow += static_cast<char>(*text);
    }
    if (narrow.empty() || !((narrow[0] >= '0' && narrow[0] <= '9') || narrow[0] == '.'))
    {
        return 0.0;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (error == std::errc::invalid_argument)
    {
        return 0.0;
    }
    if (error == std::errc::result_out_of_range)
    {
        const std::string_view number(narrow.data(), static_cast<size_t>(end - narrow.data()));
        const size_t exponent = number.find_first_of("eE");
        value = exponent != std::string_view::npos && number.substr(exponent + 1).starts_with('-') ? 0.0
                                                                                                   : HUGE_VAL;
    }
    return negative ? -value : value;
}

std::wstring ReferenceFormat(double value)
{
    char narrow[400];
    const auto end = std::to_chars(narrow, narrow + sizeof narrow, value, std::chars_format::fixed, 6).ptr;
    return std::wstring(narrow, end);
}

// Bit for bit, so that a sign of zero or a last-place difference counts.
void ExpectSameParse(const std::wstring& text)
{
    EXPECT_EQ(std::bit_cast<uint64_t>(ParseDecimal(text.c_str())),
              std::bit_cast<uint64_t>(ReferenceParse(text.c_str())))
        << std::string(text.begin(), text.end());
}

TEST(ParseDecimal, RoundsHardCasesLikeTheReference)
{
    for (const wchar_t* text :
         {L"2.2250738585072011e-308",
          L"2.2250738585072012e-308",
          L"4.9406564584124654e-324",
          L"2.4703282292062327e-324",
          L"2.4703282292062328e-324",
          L"1e-323",
          L"1.7976931348623157e308",
          L"1.7976931348623158e308",
          L"1.7976931348623159e308",
          L"9007199254740993",
          L"9007199254740995",
          L"0.1",
          L"0.3",
          L"123456789012345678901234567890",
          L"8.98846567431158e307",
          L"1e308",
          L"1e309",
          L"0.000000000000000000000000000000000000000000000000000000000000001",
          L"1.00000000000000011102230246251565404236316680908203125",
          L"1.000000000000000111022302462515654042363166809082031251",
          L"5e-324",
          L"7.4109846876186982e-323",
          L"1e-400",
          L"-0",
          L"-0.0e5",
          L"0e999999999999",
          L"1e999999999999",
          L"500000",
          L"2000000",
          L"1e-6",
          L"1234567890123456789012345678901234567890123456789012345678901234567890e-50"})
    {
        ExpectSameParse(text);
    }
}

TEST(ParseDecimal, AgreesWithTheReferenceOnRandomNumbers)
{
    std::mt19937_64 random(20261208);
    const auto below = [&](unsigned limit) { return static_cast<unsigned>(random() % limit); };
    for (int round = 0; round < 20000; ++round)
    {
        std::wstring text(below(3), L' ');
        text += below(3) == 0 ? L"-" : (below(5) == 0 ? L"+" : L"");
        const unsigned digits = 1 + below(below(4) == 0 ? 70 : 20);
        const unsigned point = below(digits + 2);
        for (unsigned index = 0; index < digits; ++index)
        {
            if (index == point)
            {
                text += L'.';
            }
            text += static_cast<wchar_t>(L'0' + (index == 0 && below(3) == 0 ? 0 : below(10)));
        }
        if (below(2) == 0)
        {
            text += below(2) == 0 ? L"e" : L"E";
            text += below(2) == 0 ? L"-" : L"";
            text += std::to_wstring(below(below(4) == 0 ? 400 : 40));
        }
        ExpectSameParse(text);
    }
}

TEST(FormatFixedSix, AgreesWithTheReferenceOnEveryKindOfDouble)
{
    std::mt19937_64 random(20261209);
    std::vector<double> values = {0.0078125,
                                  0.5e-6,
                                  1.5e-6,
                                  2.5e-6,
                                  0.0000015,
                                  0.0000025,
                                  2.5,
                                  0.1234565,
                                  std::nextafter(0.0, 1.0),
                                  -std::nextafter(0.0, 1.0),
                                  1.7976931348623157e308,
                                  -0.0,
                                  HUGE_VAL,
                                  -HUGE_VAL,
                                  std::nan(""),
                                  -std::nan(""),
                                  4503599627370496.5};
    for (int round = 0; round < 20000; ++round)
    {
        values.push_back(std::bit_cast<double>(random())); // every exponent, NaNs and infinities included
        values.push_back(static_cast<float>(random() % 1000001) / 1000000.0f); // volume levels
        values.push_back(
            std::ldexp(static_cast<double>(random() % 2000001), -static_cast<int>(random() % 30)));
    }
    for (const double value : values)
    {
        EXPECT_EQ(std::wstring(FormatFixedSix(value).text), ReferenceFormat(value))
            << std::bit_cast<uint64_t>(value);
    }
}

// The C runtime's own numeric locale must not leak into the registry texts.
TEST(NumberText, IgnoresTheCRuntimeLocale)
{
    const char* german = std::setlocale(LC_NUMERIC, "German_Germany.1252");
    if (german == nullptr)
    {
        GTEST_SKIP() << "no German C runtime locale";
    }
    const std::wstring formatted = FormatFixedSix(0.5).text;
    const double parsed = ParseDecimal(L"0.75");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(formatted, L"0.500000");
    EXPECT_DOUBLE_EQ(parsed, 0.75);
}

} // namespace
} // namespace service
