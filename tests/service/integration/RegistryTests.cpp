#include "tests/service/integration/ServiceHarness.h"

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace service::integration
{
namespace
{

constexpr const wchar_t* kScratchKey = L"Software\\Quorvel\\TellmarkRegistryTests";

struct StoredData
{
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    bool readsAsText;
    const wchar_t* text;
    bool readsAsNumber;
    DWORD number;
};

class ShellRegistryReads : public ::testing::TestWithParam<StoredData>
{
  protected:
    void SetUp() override
    {
        WriteRaw(kScratchKey, L"Value", GetParam().type, GetParam().data.data(),
                 static_cast<DWORD>(GetParam().data.size()));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }

    platform::ShellRegistry registry;
};

// Whatever is stored, a text read either fails or yields a terminated text inside the buffer.
TEST_P(ShellRegistryReads, NeverLeaveATextUnterminated)
{
    platform::RegistryText text;
    wmemset(text, L'#', platform::kRegistryTextChars);
    EXPECT_EQ(registry.ReadText(kScratchKey, L"Value", text), GetParam().readsAsText);
    ASSERT_NE(wmemchr(text, L'\0', platform::kRegistryTextChars), nullptr);
    if (GetParam().readsAsText)
    {
        EXPECT_STREQ(text, GetParam().text);
    }
}

TEST_P(ShellRegistryReads, TakeTheFirstFourBytesAsANumber)
{
    DWORD number = 0xDEADBEEF;
    EXPECT_EQ(registry.ReadNumber(kScratchKey, L"Value", number), GetParam().readsAsNumber);
    if (GetParam().readsAsNumber)
    {
        EXPECT_EQ(number, GetParam().number);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Data, ShellRegistryReads,
    ::testing::Values(
        StoredData{"Dword", REG_DWORD, {0x31, 0x00, 0x32, 0x00}, true, L"12", true, 0x00320031},
        StoredData{"ShortText", REG_SZ, TextBytes(L"1", 4), true, L"1", true, 0x00000031},
        StoredData{"FifteenChars", REG_SZ, TextBytes(L"123456789012345", 32), true, L"123456789012345", false,
                   0},
        StoredData{"SixteenCharsUnterminated", REG_SZ, TextBytes(L"1234567890123456", 32), false, L"", false,
                   0},
        StoredData{"SixteenCharsTerminated", REG_SZ, TextBytes(L"1234567890123456", 34), false, L"", false,
                   0},
        StoredData{"TextWithoutTerminator", REG_SZ, TextBytes(L"500000", 12), true, L"500000", false, 0},
        StoredData{"OddByteCount", REG_BINARY, {0x35, 0x00, 0x30}, true, L"5", true, 0x00300035},
        StoredData{"LongBinary", REG_BINARY, std::vector<BYTE>(100, 0x31), false, L"", false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShellRegistry, WritesTypedValuesAndDeletesTrees)
{
    platform::ShellRegistry registry;
    const std::wstring deep = std::wstring(kScratchKey) + L"\\Current Status";
    registry.WriteNumber(kScratchKey, L"Number", 7);
    registry.WriteText(deep.c_str(), L"Text", L"0.500000");
    EXPECT_EQ(ReadNumber(kScratchKey, L"Number"), 7u);
    EXPECT_EQ(ReadText(deep.c_str(), L"Text"), L"0.500000");

    registry.DeleteValue(deep.c_str(), L"Text");
    EXPECT_EQ(ReadText(deep.c_str(), L"Text"), std::nullopt);
    registry.DeleteKeyTree(kScratchKey);
    EXPECT_FALSE(KeyExists(kScratchKey));
}

} // namespace
} // namespace service::integration
