#include <windows.h>

#include "tests/component/registrar/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

std::vector<BYTE> Units(std::initializer_list<wchar_t> units)
{
    std::vector<BYTE> bytes;
    for (wchar_t unit : units)
    {
        bytes.push_back(static_cast<BYTE>(unit & 0xFF));
        bytes.push_back(static_cast<BYTE>(unit >> 8));
    }
    return bytes;
}

struct ValueCase
{
    const char* name;
    const wchar_t* assignment; // after "val v = "
    DWORD type;
    std::vector<BYTE> data;
};

const ValueCase kValueCases[] = {
    {"String", L"s 'hello world'", REG_SZ, Units({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', 0})},
    {"StringWithDoubledQuote", L"S 'It''s'", REG_SZ, Units({'I', 't', '\'', 's', 0})},
    {"EmptyString", L"s ''", REG_SZ, Units({0})},
    {"StringWithPercent", L"s '100%%'", REG_SZ, Units({'1', '0', '0', '%', 0})},
    {"MultiTwoStrings", L"m 'a\\0b'", REG_MULTI_SZ, Units({'a', 0, 'b', 0, 0})},
    {"MultiEmptyElementCutsOff", L"M 'a\\0\\0b'", REG_MULTI_SZ, Units({'a', 0, 0})},
    {"MultiEmpty", L"m ''", REG_MULTI_SZ, Units({0})},
    {"MultiOtherBackslashKept", L"m 'a\\x\\'", REG_MULTI_SZ, Units({'a', '\\', 'x', '\\', 0, 0})},
    {"MultiTrailingSeparator", L"m 'a\\0'", REG_MULTI_SZ, Units({'a', 0, 0})},
    {"BinaryMixedCase", L"b '0aFF'", REG_BINARY, {0x0A, 0xFF}},
    {"BinaryNonDigitsCountAsZero", L"B 'zz'", REG_BINARY, {0x00}},
    {"BinaryHighNibbleFirst", L"b '1f2E'", REG_BINARY, {0x1F, 0x2E}},
    {"BinaryEmpty", L"b ''", REG_BINARY, {}},
    {"Number", L"d '42'", REG_DWORD, {42, 0, 0, 0}},
    {"NumberLargest", L"D '4294967295'", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
    {"NumberUnquoted", L"d 305419896", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
};

class ValueEncoding : public testing::TestWithParam<ValueCase>
{
};

} // namespace

TEST_P(ValueEncoding, StoresTheTypeAndBytes)
{
    TestKey key(L"Value");
    ASSERT_EQ(S_OK, RunTestScript(key.Script(std::wstring(L"val v = ") + GetParam().assignment), true));
    RegistryValue value;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(), L"v", value));
    EXPECT_EQ(GetParam().type, value.type);
    EXPECT_EQ(GetParam().data, value.data);

    ASSERT_EQ(S_OK, RunTestScript(key.Script(std::wstring(L"val v = ") + GetParam().assignment), false));
    EXPECT_FALSE(key.HasValue(L"", L"v"));
}

INSTANTIATE_TEST_SUITE_P(Registrar, ValueEncoding, testing::ValuesIn(kValueCases),
                         [](const testing::TestParamInfo<ValueCase>& info) { return info.param.name; });

TEST(DefaultValue, KeyAssignmentWritesTheUnnamedValueFromASubstitution)
{
    TestKey key(L"DefaultValue");
    ASSERT_EQ(S_OK, RunTestScript(
                        key.Script(L"InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }"),
                        true, {{L"Module", L"C:\\a''b\\c.dll"}}));
    RegistryValue value;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"InprocServer32"), L"", value));
    EXPECT_EQ(StringBytes(L"C:\\a'b\\c.dll"), value.data);
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"InprocServer32"), L"ThreadingModel", value));
    EXPECT_EQ(StringBytes(L"Apartment"), value.data);
}

TEST(DefaultValue, SubstitutionsLongerThanTheRoomReservedForTheScriptArriveWhole)
{
    TestKey key(L"LongSubstitution");
    std::wstring longValue;
    for (int index = 0; index < 2000; ++index)
    {
        longValue += static_cast<wchar_t>(L'a' + index % 26);
    }
    ASSERT_EQ(S_OK, RunTestScript(key.Script(L"Long = s '%Long%' { val Twice = s '%Long%%Long%' }"), true,
                                  {{L"Long", longValue}}));
    RegistryValue value;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"Long"), L"", value));
    EXPECT_EQ(StringBytes(longValue), value.data);
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"Long"), L"Twice", value));
    EXPECT_EQ(StringBytes(longValue + longValue), value.data);
}
