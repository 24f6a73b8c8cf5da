#include "tests/service/integration/ServiceHarness.h"

#include "platform/Registry.h"
#include "tests/support/GuardPage.h"
#include "tests/service/unit/Fakes.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace service::integration
{
namespace
{

using platform::ReadResult;

constexpr const wchar_t* kScratchKey = L"Software\\Quorvel\\TellmarkRegistryTests";

const char* Name(ReadResult result)
{
    switch (result)
    {
    case ReadResult::Read:
        return "Read";
    case ReadResult::Missing:
        return "Missing";
    case ReadResult::WrongType:
        return "WrongType";
    case ReadResult::TooLong:
        return "TooLong";
    case ReadResult::Refused:
        return "Refused";
    }
    return "?";
}

struct StoredData
{
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    ReadResult textResult;
    const wchar_t* text;
    ReadResult numberResult;
    DWORD number;
};

// The reads of the real wrapper, and the fake registry of the unit tests, which must read alike.
class RegistryReads : public ::testing::TestWithParam<StoredData>
{
  protected:
    void SetUp() override
    {
        WriteRaw(kScratchKey, L"Value", GetParam().type, GetParam().data.data(),
                 static_cast<DWORD>(GetParam().data.size()));
        // Wine completes an unterminated REG_SZ of even length when it is stored; the fake gets what the
        // registry holds.
        fake.Set(kScratchKey, L"Value", *ReadRaw(kScratchKey, L"Value"));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }

    // Whatever is stored, a text read either fails with an empty text or yields a terminated text inside the
    // buffer.
    static void ExpectText(platform::IRegistry& registry)
    {
        platform::RegistryText text;
        wmemset(text, L'#', platform::kRegistryTextChars);
        EXPECT_STREQ(Name(registry.ReadText(kScratchKey, L"Value", text)), Name(GetParam().textResult));
        ASSERT_NE(wmemchr(text, L'\0', platform::kRegistryTextChars), nullptr);
        EXPECT_STREQ(text, GetParam().textResult == ReadResult::Read ? GetParam().text : L"");
    }
    static void ExpectNumber(platform::IRegistry& registry)
    {
        DWORD number = 0xDEADBEEF;
        EXPECT_STREQ(Name(registry.ReadNumber(kScratchKey, L"Value", number)), Name(GetParam().numberResult));
        EXPECT_EQ(number, GetParam().numberResult == ReadResult::Read ? GetParam().number : 0xDEADBEEF);
    }

    platform::ShellRegistry registry;
    testing::Journal journal;
    testing::FakeRegistry fake{journal};
};

TEST_P(RegistryReads, TakeOnlyTextAsText)
{
    ExpectText(registry);
}

TEST_P(RegistryReads, TakeTheFirstFourBytesAsANumber)
{
    ExpectNumber(registry);
}

TEST_P(RegistryReads, AreTheFakesToo)
{
    ExpectText(fake);
    ExpectNumber(fake);
}

INSTANTIATE_TEST_SUITE_P(
    Data, RegistryReads,
    ::testing::Values(
        StoredData{"Dword",
                   REG_DWORD,
                   {0x31, 0x00, 0x32, 0x00},
                   ReadResult::WrongType,
                   L"",
                   ReadResult::Read,
                   0x00320031},
        StoredData{"ShortText", REG_SZ, TextBytes(L"1", 4), ReadResult::Read, L"1", ReadResult::Read, 0x31},
        StoredData{"EmptyText", REG_SZ, {}, ReadResult::Read, L"", ReadResult::Read, 0},
        StoredData{"FifteenChars", REG_SZ, TextBytes(L"123456789012345", 32), ReadResult::Read,
                   L"123456789012345", ReadResult::TooLong, 0},
        StoredData{"SixteenCharsUnterminated", REG_SZ, TextBytes(L"1234567890123456", 32),
                   ReadResult::TooLong, L"", ReadResult::TooLong, 0},
        StoredData{"SixteenCharsTerminated", REG_SZ, TextBytes(L"1234567890123456", 34), ReadResult::TooLong,
                   L"", ReadResult::TooLong, 0},
        StoredData{"TextWithoutTerminator", REG_SZ, TextBytes(L"500000", 12), ReadResult::Read, L"500000",
                   ReadResult::TooLong, 0},
        StoredData{"TerminatorInside", REG_SZ, TextBytes(L"12\0abcdefghijkl", 32), ReadResult::Read, L"12",
                   ReadResult::TooLong, 0},
        // The text read expands and takes a list's first string; the number read takes the raw bytes.
        StoredData{"ExpandText", REG_EXPAND_SZ, TerminatedBytes(L"%WINDIR%"), ReadResult::Read,
                   L"C:\\windows", ReadResult::TooLong, 0},
        StoredData{"ExpandTextTooLongOnceExpanded", REG_EXPAND_SZ, TerminatedBytes(L"%WINDIR%\\system32"),
                   ReadResult::TooLong, L"", ReadResult::TooLong, 0},
        StoredData{"MultiText", REG_MULTI_SZ, TextBytes(L"5\0", 6), ReadResult::Read, L"5",
                   ReadResult::TooLong, 0},
        StoredData{"MultiTextTwoStrings", REG_MULTI_SZ,
                   TextBytes(L"12\0"
                             L"34\0",
                             14),
                   ReadResult::Read, L"12", ReadResult::TooLong, 0},
        StoredData{
            "Qword", REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}, ReadResult::WrongType, L"", ReadResult::TooLong, 0},
        StoredData{"OneByteBinary", REG_BINARY, {0x01}, ReadResult::WrongType, L"", ReadResult::Read, 1},
        StoredData{"OddByteCount",
                   REG_BINARY,
                   {0x35, 0x00, 0x30},
                   ReadResult::WrongType,
                   L"",
                   ReadResult::Read,
                   0x00300035},
        // The type is refused before the size is looked at.
        StoredData{"LongBinary", REG_BINARY, std::vector<BYTE>(100, 0x31), ReadResult::WrongType, L"",
                   ReadResult::TooLong, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Lengths around each limit of the reads: the text buffer's 16 characters, its 32 bytes, a key name's 255
// characters, the expansion's 32,767.
constexpr size_t kLengthsAroundLimits[] = {1, 15, 16, 31, 32, 255, 256, 32767};

struct GuardedRead
{
    std::string name;
    DWORD type;
    std::wstring stored; // with the terminators the value keeps
    ReadResult textResult;
    std::wstring text;
};

// Variables that the expanding rows use, each of the length in its name.
std::wstring Variable(size_t length)
{
    return L"TELLMARK_GUARD_" + std::to_wstring(length);
}

std::vector<GuardedRead> GuardedReadRows()
{
    std::vector<GuardedRead> rows;
    for (const size_t length : kLengthsAroundLimits)
    {
        const std::wstring digits(length, L'7');
        const auto upTo = [&](size_t limit)
        { return length <= limit ? ReadResult::Read : ReadResult::TooLong; };
        const auto textUpTo = [&](size_t limit) { return length <= limit ? digits : L""; };
        const std::string suffix = std::to_string(length);
        rows.push_back({"Text" + suffix, REG_SZ, digits + L'\0', upTo(15), textUpTo(15)});
        rows.push_back({"Unterminated" + suffix, REG_SZ, digits, upTo(15), textUpTo(15)});
        rows.push_back({"List" + suffix, REG_MULTI_SZ, digits + L'\0' + L'\0', upTo(14), textUpTo(14)});
        rows.push_back({"Expandable" + suffix, REG_EXPAND_SZ, digits + L'\0', upTo(15), textUpTo(15)});
        rows.push_back({"Expanding" + suffix, REG_EXPAND_SZ, L'%' + Variable(length) + L"%\0", upTo(15),
                        length <= 15 ? std::wstring(length, L'v') : L""});
        for (const DWORD type : {REG_NONE, REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_QWORD})
        {
            rows.push_back({"Type" + std::to_string(type) + "_" + suffix, type, digits + L'\0',
                            ReadResult::WrongType, L""});
        }
    }
    // A stored text longer than the buffer that expands into it; expansions far past it.
    rows.push_back({"ExpandsShorter", REG_EXPAND_SZ, L"%" + Variable(1) + L"%%" + Variable(1) + L"%\0",
                    ReadResult::Read, L"vv"});
    rows.push_back({"Path", REG_EXPAND_SZ, std::wstring(L"%PATH%\0"), ReadResult::TooLong, L""});
    std::wstring many;
    while (many.size() + 3 <= 1000)
    {
        many += L"%" + Variable(40) + L"%";
    }
    rows.push_back({"ManyExpansions", REG_EXPAND_SZ, many + L'\0', ReadResult::TooLong, L""});
    return rows;
}

// The reads write nothing past the buffer they are given, whatever is stored: each buffer ends at a page
// that faults when touched.
class GuardedReads : public ::testing::TestWithParam<GuardedRead>
{
  protected:
    static void SetUpTestSuite()
    {
        SetEnvironmentVariableW(Variable(40).c_str(), std::wstring(40, L'v').c_str());
        for (const size_t length : kLengthsAroundLimits)
        {
            SetEnvironmentVariableW(Variable(length).c_str(), std::wstring(length, L'v').c_str());
        }
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey); }
};

TEST_P(GuardedReads, StayInsideTheirBuffers)
{
    const GuardedRead& row = GetParam();
    const DWORD size = static_cast<DWORD>(row.stored.size() * sizeof(wchar_t));
    WriteRaw(kScratchKey, L"Value", row.type, row.stored.data(), size);
    platform::ShellRegistry registry;
    const test_support::GuardPage guard(sizeof(platform::RegistryText));

    platform::RegistryText& text = guard.Flush<platform::RegistryText>();
    EXPECT_STREQ(Name(registry.ReadText(kScratchKey, L"Value", text)), Name(row.textResult));
    EXPECT_EQ(std::wstring(text), row.text);

    DWORD& number = guard.Flush<DWORD>();
    number = 0;
    EXPECT_STREQ(Name(registry.ReadNumber(kScratchKey, L"Value", number)),
                 Name(size <= sizeof(DWORD) ? ReadResult::Read : ReadResult::TooLong));
}

INSTANTIATE_TEST_SUITE_P(Data, GuardedReads, ::testing::ValuesIn(GuardedReadRows()),
                         [](const auto& info) { return info.param.name; });

TEST(ShellRegistry, ReadsOfAMissingValueOrKeySayMissing)
{
    platform::ShellRegistry registry;
    WriteNumber(kScratchKey, L"Other", 1);
    for (const wchar_t* path : {kScratchKey, L"Software\\Quorvel\\TellmarkRegistryTestsMissing"})
    {
        DWORD number = 0;
        platform::RegistryText text;
        EXPECT_EQ(registry.ReadNumber(path, L"Value", number), ReadResult::Missing);
        EXPECT_EQ(registry.ReadText(path, L"Value", text), ReadResult::Missing);
        EXPECT_STREQ(text, L"");
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
}

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
    EXPECT_TRUE(registry.DeleteKeyTree(kScratchKey));
    EXPECT_FALSE(KeyExists(kScratchKey));
    EXPECT_TRUE(registry.DeleteKeyTree(kScratchKey)) << "a key that is not there is gone";
}

// The byte size counts the terminating zero, as the gadget's text reads expect. Wine adds a missing terminator
// to a text it stores, but not to an empty one: that shows the size the service passed.
TEST(ShellRegistry, StoresTextWithItsTerminatingZero)
{
    platform::ShellRegistry registry;
    for (const std::wstring text : {L"", L"DMDO_90"})
    {
        registry.WriteText(kScratchKey, L"Text", text.c_str());
        EXPECT_EQ(ReadRaw(kScratchKey, L"Text"), test_support::TextValue(text));
        platform::UniqueRegKey key;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratchKey, 0, KEY_QUERY_VALUE, key.Put()), ERROR_SUCCESS);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key.Get(), L"Text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, (text.size() + 1) * sizeof(wchar_t)) << ::testing::PrintToString(text);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
}

// The fake's refused deletion removes nothing, as the real one does when the first subkey refuses.
TEST(ShellRegistry, TreeDeletionThatASubkeyRefusesFailsAndKeepsTheValues)
{
    platform::ShellRegistry registry;
    const std::wstring status = std::wstring(kScratchKey) + L"\\Current Status";
    registry.WriteNumber(kScratchKey, L"StopService", 1);
    registry.WriteText(status.c_str(), L"SetVolume", L"500000");
    {
        UndeletableSubkey blocker(std::wstring(kScratchKey) + L"\\Blocker");
        ASSERT_TRUE(blocker.Exists());

        EXPECT_FALSE(registry.DeleteKeyTree(kScratchKey));
        EXPECT_TRUE(blocker.Exists());
        EXPECT_EQ(ReadNumber(kScratchKey, L"StopService"), 1u);
        EXPECT_EQ(ReadText(status.c_str(), L"SetVolume"), L"500000");
    }
    EXPECT_TRUE(registry.DeleteKeyTree(kScratchKey));
    EXPECT_FALSE(KeyExists(kScratchKey));
}

} // namespace
} // namespace service::integration
