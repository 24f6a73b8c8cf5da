#include <windows.h>

#include "tests/component/registrar/RegistryTestSupport.h"
#include "tests/support/RegistryDump.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <map>
#include <string>
#include <tuple>

// A registration that fails at any point leaves the registry exactly as it was: the test key's whole tree
// after the failed run equals the tree before, values that were overwritten and keys that ForceRemove and
// Delete removed included.

namespace
{

// Keys below the test key, each with its string values (the default value under the name "").
using Arrangement = std::map<std::wstring, std::map<std::wstring, std::wstring>>;

Arrangement ExistingEntries()
{
    return {
        {L"Existing", {{L"", L"old"}, {L"keep", L"kept"}}},
        {L"Existing\\Foreign", {{L"f", L"foreign"}}},
        {L"Plain", {{L"old", L"x"}}},
        {L"Rebuilt\\Old", {{L"", L"stale"}}},
        {L"Doomed\\Sub", {}},
    };
}

void Build(const TestKey& key, const Arrangement& arrangement)
{
    for (const auto& [path, values] : arrangement)
    {
        key.Create(path);
        for (const auto& [name, data] : values)
        {
            key.SetString(path, name.c_str(), data);
        }
    }
}

// The script, cut into pieces between which the failing entry is placed in turn.
const wchar_t* const kPieces[] = {
    L"Existing = s 'replaced'",
    L"{ val added = s 'x'",
    L"Child",
    L"{ Grandchild = s 'g' { val deep = d 5 } }",
    L"val keep = s 'overwritten' }",
    L"NoRemove Created { val number = d 7 }",
    L"Plain { val old = s 'x' }",
    L"Fresh = s 'x' { Inner = m 'a\\0b' }",
    L"val topBinary = b '0aff'",
    L"ForceRemove Rebuilt { New }",
    L"Delete Doomed",
    L"NoRemove Existing { Second = s 'y' }",
};

const std::wstring kOverlongKeyName(300, L'k');

struct FailingEntry
{
    const char* name;
    const wchar_t* text;
    HRESULT expected;
};

const FailingEntry kFailingEntries[] = {
    {"OddBinaryDigits", L"val broken = b 'abc'", E_FAIL},
    {"KeyNameWithBackslash", L"bad\\name", DISP_E_EXCEPTION},
    // Key names are at most 255 characters: the registry refuses to create this one.
    {"OverlongKeyName", kOverlongKeyName.c_str(), HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER)},
};

void PrintTo(const FailingEntry& entry, std::ostream* out)
{
    *out << entry.name;
}

class FailedRegistration : public testing::TestWithParam<std::tuple<size_t, FailingEntry>>
{
};

} // namespace

TEST_P(FailedRegistration, LeavesTheRegistryAsItWas)
{
    const auto [failurePoint, failing] = GetParam();
    std::wstring body;
    for (size_t index = 0; index <= std::size(kPieces); ++index)
    {
        if (index == failurePoint)
        {
            body += std::wstring(failing.text) + L"\r\n";
        }
        if (index < std::size(kPieces))
        {
            body += std::wstring(kPieces[index]) + L"\r\n";
        }
    }

    TestKey key(L"FailureInjection");
    Build(key, ExistingEntries());
    const std::wstring before = key.Dump();
    EXPECT_EQ(failing.expected, RunTestScript(key.Script(body), true)) << testing::PrintToString(body);
    EXPECT_EQ(before, key.Dump()) << testing::PrintToString(body);
}

INSTANTIATE_TEST_SUITE_P(Registrar, FailedRegistration,
                         testing::Combine(testing::Range<size_t>(0, std::size(kPieces) + 1),
                                          testing::ValuesIn(kFailingEntries)),
                         [](const testing::TestParamInfo<FailedRegistration::ParamType>& info)
                         {
                             return std::get<1>(info.param).name + std::string("After") +
                                    std::to_string(std::get<0>(info.param)) + "Pieces";
                         });

namespace
{

// A later step removes a key, or its parent, that an earlier step changed; then the run fails.
struct LaterRemoval
{
    const char* name;
    Arrangement arrangement;
    const wchar_t* body;
};

const LaterRemoval kLaterRemovals[] = {
    {"OverwrittenValueOfARemovedKey",
     {{L"K", {{L"v", L"old"}}}},
     L"K { val v = s new }\r\nForceRemove K\r\nval Bad = x 'y'"},
    {"TreeRebuiltInsideARemovedParent",
     {{L"P\\A", {{L"orig", L"a"}}}, {L"P\\A\\Sub", {{L"s", L"b"}}}},
     L"P { ForceRemove A { val z = s 1 } }\r\nForceRemove P\r\nval Bad = x 'y'"},
    {"TreeRemovedTwice",
     {{L"T", {{L"t", L"first"}}}, {L"T\\S", {{L"s", L"second"}}}},
     L"ForceRemove T { S { val n = s 1 } }\r\nForceRemove T { S { val m = s 2 } }\r\nval Bad = x 'y'"},
};

void PrintTo(const LaterRemoval& removal, std::ostream* out)
{
    *out << removal.name;
}

class UndoAfterALaterRemoval : public testing::TestWithParam<LaterRemoval>
{
};

} // namespace

TEST_P(UndoAfterALaterRemoval, LeavesTheRegistryAsItWas)
{
    TestKey key(L"LaterRemoval");
    Build(key, GetParam().arrangement);
    const std::wstring before = test_support::DumpTree(HKEY_CURRENT_USER, L"");
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(key.Script(GetParam().body), true));
    EXPECT_EQ(before, test_support::DumpTree(HKEY_CURRENT_USER, L""));
}

INSTANTIATE_TEST_SUITE_P(Registrar, UndoAfterALaterRemoval, testing::ValuesIn(kLaterRemovals),
                         [](const auto& info) { return std::string(info.param.name); });

// Delete looks for the key before it opens anything for writing: under a parent that refuses writes, an
// absent key is no error and a key that may be deleted is deleted.
TEST(DeleteUnderAReadOnlyParent, SucceedsAsTheKeyAllows)
{
    TestKey key(L"ReadOnlyParent");
    key.SetString(L"RO\\X", L"x", L"deletable");
    const ReadOnlyKey readOnly(key, L"RO");
    const std::wstring before = test_support::DumpTree(HKEY_CURRENT_USER, L"");

    EXPECT_EQ(S_OK, RunTestScript(key.Script(L"RO { Delete Absent }"), true));
    EXPECT_EQ(before, test_support::DumpTree(HKEY_CURRENT_USER, L""));

    const std::wstring withoutX =
        test_support::DumpTreeExcept(HKEY_CURRENT_USER, L"", L"\\" + key.Path(L"RO\\X"));
    EXPECT_EQ(S_OK, RunTestScript(key.Script(L"RO { Delete X }"), true));
    EXPECT_EQ(withoutX, test_support::DumpTree(HKEY_CURRENT_USER, L""));
}

// A ForceRemove whose deletion a subkey refuses goes on with the key as it is, and says so once.
TEST(ForceRemoveThatCannotDelete, LeavesOneLineAndReusesTheKey)
{
    TestKey key(L"Undeletable");
    key.SetString(L"X\\Locked", L"s", L"kept");
    const ReadOnlyKey readOnly(key, L"X\\Locked");

    const CapturedDiagnostics diagnostics;
    EXPECT_EQ(S_OK, RunTestScript(key.Script(L"ForceRemove X { val v = s 1 }"), true));
    EXPECT_TRUE(key.HasValue(L"X", L"v"));
    EXPECT_TRUE(key.HasValue(L"X\\Locked", L"s"));
    const std::wstring what = L"HKCU\\" + key.Path(L"X") + L": 0x80070005";
    EXPECT_THAT(diagnostics.Lines(),
                testing::ElementsAre(testing::HasSubstr(std::string(what.begin(), what.end()))));
}
