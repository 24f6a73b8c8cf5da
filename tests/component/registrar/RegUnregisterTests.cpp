#include <windows.h>

#include "tests/component/registrar/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

TEST(Unregister, RemovesWhatRegistrationWroteButKeepsNoRemoveKeysAndValues)
{
    TestKey key(L"RoundTrip");
    const std::wstring script = key.Script(L"NoRemove Shared\r\n{\r\n"
                                           L"\tMine = s 'x' { val v = s '1' Sub { Leaf } }\r\n"
                                           L"\tNoRemove val kept = s 'y'\r\n"
                                           L"}\r\n"
                                           L"Gone { val w = m 'a\\0b' }");
    const std::wstring before = key.Dump();
    ASSERT_EQ(S_OK, RunTestScript(script, true));
    EXPECT_TRUE(key.Exists(L"Shared\\Mine\\Sub\\Leaf"));
    EXPECT_TRUE(key.HasValue(L"Shared", L"kept"));

    ASSERT_EQ(S_OK, RunTestScript(script, false));
    EXPECT_TRUE(key.Exists(L"Shared"));
    EXPECT_TRUE(key.HasValue(L"Shared", L"kept"));
    EXPECT_FALSE(key.Exists(L"Shared\\Mine"));
    EXPECT_FALSE(key.Exists(L"Gone"));
}

TEST(Unregister, KeepsAKeyWithForeignSubkeysAndRemovesItsListedValuesAndSubkeys)
{
    TestKey key(L"Foreign");
    key.SetString(L"Listed\\ForeignChild", L"", L"someone else's");
    key.SetString(L"Listed", L"Unlisted", L"stays");
    const std::wstring script = key.Script(L"Listed = s 'd' { val v = s '1' ListedChild }");
    ASSERT_EQ(S_OK, RunTestScript(script, true));
    ASSERT_EQ(S_OK, RunTestScript(script, false));
    EXPECT_TRUE(key.Exists(L"Listed\\ForeignChild"));
    EXPECT_FALSE(key.Exists(L"Listed\\ListedChild"));
    EXPECT_FALSE(key.HasValue(L"Listed", L"v"));
    EXPECT_TRUE(key.HasValue(L"Listed", L"Unlisted"));
    // The default value is not a listed value; only the key's removal would take it.
    EXPECT_TRUE(key.HasValue(L"Listed", L""));
}

TEST(Unregister, AbsentKeysAreNoErrorAndChangeNothing)
{
    TestKey key(L"Absent");
    key.SetString(L"Present", L"v", L"x");
    const std::wstring before = key.Dump();
    EXPECT_EQ(S_OK, RunTestScript(key.Script(L"Missing = s 'x' { val v = s 'y' Deeper { Deepest } }\r\n"
                                             L"ForceRemove AlsoMissing\r\n"
                                             L"Delete Gone"),
                                  false));
    EXPECT_EQ(before, key.Dump());
}

TEST(Unregister, ValueAlreadyAbsentFromAPresentKeyIsNoError)
{
    TestKey key(L"AbsentValue");
    key.Create(L"Present");
    EXPECT_EQ(S_OK, RunTestScript(key.Script(L"Present { val missing = s 'x' }"), false));
    EXPECT_FALSE(key.Exists(L"Present"));
}

TEST(Unregister, ForceRemoveAndDeleteAreDroppedSoTheKeyIsRemovedWhenEmpty)
{
    TestKey key(L"Dropped");
    key.Create(L"ForceRemoved");
    key.Create(L"Deleted");
    ASSERT_EQ(S_OK, RunTestScript(key.Script(L"ForceRemove ForceRemoved\r\nDelete Deleted"), false));
    EXPECT_FALSE(key.Exists(L"ForceRemoved"));
    EXPECT_FALSE(key.Exists(L"Deleted"));
}

TEST(Unregister, FailingRegisterRunTakesAwayWhatItCreatedAndKeepsWhatExistedBefore)
{
    TestKey key(L"Undo");
    key.SetString(L"Existing\\Foreign", L"", L"x");
    key.SetString(L"Plain", L"old", L"x");
    const std::wstring before = key.Dump();
    const std::wstring script = key.Script(L"NoRemove Kept { val v = s '1' }\r\n"
                                           L"Existing { Child }\r\n"
                                           L"Plain\r\n"
                                           L"Fresh { Inner = s 'x' }\r\n"
                                           L"val broken = b '123'\r\n"
                                           L"NeverReached");
    EXPECT_EQ(E_FAIL, RunTestScript(script, true));
    // NoRemove protects a key from unregistration, not from the undo of the run that created it.
    EXPECT_FALSE(key.Exists(L"Kept"));
    EXPECT_TRUE(key.Exists(L"Existing\\Foreign"));
    EXPECT_FALSE(key.Exists(L"Existing\\Child"));
    EXPECT_TRUE(key.HasValue(L"Plain", L"old"));
    EXPECT_FALSE(key.Exists(L"Fresh"));
    EXPECT_FALSE(key.Exists(L"NeverReached"));
    EXPECT_EQ(before, key.Dump());
}

TEST(Unregister, OverlongKeyNameFailsWithTheRegistryErrorInBothModes)
{
    TestKey key(L"LongName");
    const std::wstring before = key.Dump();
    const std::wstring script = key.Script(L"first\r\n" + std::wstring(300, L'k'));
    const HRESULT registered = RunTestScript(script, true);
    EXPECT_TRUE(FAILED(registered));
    EXPECT_EQ(FACILITY_WIN32, HRESULT_FACILITY(registered));
    EXPECT_EQ(before, key.Dump());
    EXPECT_TRUE(FAILED(RunTestScript(script, false)));
}

namespace
{

struct SyntaxErrorCase
{
    const char* name;
    const wchar_t* body;
};

// Each body names the key "victim" only below the faulty entry, never where it exists.
const SyntaxErrorCase kSyntaxErrors[] = {
    {"InTheBlockOfAnAbsentKey", L"absent { bad\\name victim }"},
    {"ValWithoutAssignmentInTheBlockOfAnAbsentKey", L"absent { val v s 'x' victim }"},
    {"DeeperBelowAnAbsentKey", L"absent { deeper { bad\\name } victim }"},
    {"InTheBlockOfAPresentKey", L"present { bad\\name victim }"},
};

void PrintTo(const SyntaxErrorCase& syntaxError, std::ostream* out)
{
    *out << syntaxError.name;
}

class SyntaxError : public testing::TestWithParam<SyntaxErrorCase>
{
};

} // namespace

TEST_P(SyntaxError, StopsTheRunBeforeAnyFurtherChangeInBothModes)
{
    TestKey key(L"SyntaxError");
    key.Create(L"victim");
    key.Create(L"present");
    const std::wstring before = key.Dump();
    const std::wstring script = key.Script(GetParam().body);
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(script, false));
    EXPECT_EQ(before, key.Dump());
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(script, true));
    EXPECT_EQ(before, key.Dump());
}

INSTANTIATE_TEST_SUITE_P(Registrar, SyntaxError, testing::ValuesIn(kSyntaxErrors),
                         [](const testing::TestParamInfo<SyntaxErrorCase>& info) { return info.param.name; });
