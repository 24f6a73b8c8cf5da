#include "service/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

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
