#include <windows.h>

#include "tests/component/registrar/RegistryTestSupport.h"
#include "tests/support/RegistryDump.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

struct FailureCase
{
    const char* name;
    const wchar_t* body;
    HRESULT expected;
};

// Each body fails in register mode; the undo removes what the block created before the failing entry.
const FailureCase kFailureCases[] = {
    {"KeyNameWithBackslash", L"a\\b", DISP_E_EXCEPTION},
    {"ForceRemoveNameWithBackslash", L"ForceRemove a\\b", DISP_E_EXCEPTION},
    {"DeleteNameWithBackslash", L"Delete a\\b", DISP_E_EXCEPTION},
    {"EmptyKeyName", L"''", DISP_E_EXCEPTION},
    {"ForceRemoveEmptyName", L"ForceRemove '' { x }", DISP_E_EXCEPTION},
    {"ValWithoutAssignment", L"val v s 'x'", DISP_E_EXCEPTION},
    {"UnknownValueType", L"k = q 'x'", DISP_E_EXCEPTION},
    {"UnterminatedQuote", L"k = s 'never closed", DISP_E_EXCEPTION},
    {"EndOfTextInsideBlock", L"k { x", DISP_E_EXCEPTION},
    {"UnknownSubstitution", L"k = s '%NoSuchName%'", DISP_E_EXCEPTION},
    {"SubstitutionWithoutClosingPercent", L"k = s '%Module'", DISP_E_EXCEPTION},
    {"SubstitutionNameOf32Characters", L"k = s '%ABCDEFGHIJKLMNOPQRSTUVWXYZ123456%'", E_FAIL},
    {"OddBinaryDigits", L"val b = b 'abc'", E_FAIL},
};

class ScriptFailure : public testing::TestWithParam<FailureCase>
{
};

} // namespace

TEST_P(ScriptFailure, FailsAndUndoesItsBlock)
{
    TestKey key(L"Failure");
    const std::wstring body = std::wstring(L"before = s 'x'\r\n") + GetParam().body;
    EXPECT_EQ(GetParam().expected, RunTestScript(key.Script(body), true, {{L"Module", L"m"}}));
    EXPECT_TRUE(key.Exists(L""));
    EXPECT_FALSE(key.Exists(L"before"));
}

INSTANTIATE_TEST_SUITE_P(Registrar, ScriptFailure, testing::ValuesIn(kFailureCases),
                         [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

namespace
{

struct WholeScriptCase
{
    const char* name;
    const wchar_t* script;
    HRESULT expected;
};

const WholeScriptCase kWholeScriptCases[] = {
    {"Empty", L"", S_OK},
    {"WhitespaceOnly", L" \t\r\n  \r\n", DISP_E_EXCEPTION},
    {"UnknownRoot", L"HKXX { }", DISP_E_EXCEPTION},
    {"RootWithoutBrace", L"HKCU x }", DISP_E_EXCEPTION},
    {"RootAtEnd", L"HKCU", DISP_E_EXCEPTION},
    {"EmptyRootBlockWithTrailingWhitespace", L"hkey_current_user {\r\n}\r\n\t ", S_OK},
    {"EmptyRootBlockWithoutSeparator", L"HKCU {\r\n}", S_OK},
};

class WholeScript : public testing::TestWithParam<WholeScriptCase>
{
};

} // namespace

TEST_P(WholeScript, RunsInBothModesWithTheExpectedResult)
{
    const std::wstring script = GetParam().script;
    const std::wstring before = test_support::DumpTree(HKEY_CURRENT_USER, L"");
    EXPECT_EQ(GetParam().expected, RunTestScript(script, true));
    EXPECT_EQ(GetParam().expected, RunTestScript(script, false));
    EXPECT_EQ(before, test_support::DumpTree(HKEY_CURRENT_USER, L""));
}

INSTANTIATE_TEST_SUITE_P(Registrar, WholeScript, testing::ValuesIn(kWholeScriptCases),
                         [](const testing::TestParamInfo<WholeScriptCase>& info) { return info.param.name; });

TEST(ScriptNesting, SucceedsUpToTheLimitAndFailsBeyondItWithoutExhaustingTheStack)
{
    TestKey key(L"Nesting");
    const auto nested = [](int depth)
    {
        std::wstring body;
        for (int level = 0; level < depth; ++level)
        {
            body += L"n { ";
        }
        body += L"val leaf = s 'x'";
        for (int level = 0; level < depth; ++level)
        {
            body += L" }";
        }
        return body;
    };
    const auto path = [](int depth)
    {
        std::wstring result = L"n";
        for (int level = 1; level < depth; ++level)
        {
            result += L"\\n";
        }
        return result;
    };
    // Blocks nest at most 256 deep: the root block and the test key's path take four of them.
    EXPECT_EQ(S_OK, RunTestScript(key.Script(nested(252)), true));
    EXPECT_TRUE(key.HasValue(path(252), L"leaf"));
    EXPECT_EQ(S_OK, RunTestScript(key.Script(nested(252)), false));
    EXPECT_FALSE(key.Exists(L"n"));

    // The key whose block is one level too deep is the last one created; the failure takes every key
    // of the run away again.
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(key.Script(nested(253)), true));
    EXPECT_FALSE(key.Exists(L"n"));
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(key.Script(nested(100000)), true));
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(key.Script(nested(100000)), false));
    EXPECT_FALSE(key.Exists(path(254)));
}

TEST(ScriptTokens, TokenOf4094UnitsIsAcceptedAnd4095Rejected)
{
    TestKey key(L"TokenLength");
    const std::wstring longest(4094, L'x');
    ASSERT_EQ(S_OK, RunTestScript(key.Script(L"val v = s '" + longest + L"'"), true));
    RegistryValue value;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(), L"v", value));
    EXPECT_EQ(StringBytes(longest), value.data);

    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(key.Script(L"val w = s '" + longest + L"x'"), true));
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(key.Script(L"val w = s " + longest + L"x"), true));
    EXPECT_EQ(DISP_E_EXCEPTION,
              RunTestScript(key.Script(L"val w = s '" + std::wstring(100000, L'y') + L"'"), true));
    EXPECT_FALSE(key.HasValue(L"", L"w"));
}

namespace
{

struct KeyNameCase
{
    const char* name;
    const wchar_t* body;
    const wchar_t* createdKey; // below the test key
    const wchar_t* absentKey;  // must not exist afterwards, may be null
};

const KeyNameCase kKeyNameCases[] = {
    {"EqualsInsideTokenIsPartOfTheName", L"a=b", L"a=b", L"a"},
    {"DoubledQuoteStandsForOne", L"'It''s'", L"It's", nullptr},
    {"QuotedSpacesAndBraces", L"'a b { c }'", L"a b { c }", nullptr},
    {"QuotedBraceOpensABlock", L"outer '{' inner '}'", L"outer\\inner", nullptr},
    {"BlockMustBeTheOneCharacterToken", L"outer {x", L"{x", nullptr},
    {"NoRemoveInSmallLetters", L"noremove kept { child }", L"kept\\child", L"noremove"},
    {"ForceRemoveInSmallLetters", L"forceremove fresh { child }", L"fresh\\child", L"forceremove"},
    {"QuotedKeywordIsTheKeyword", L"'NOREMOVE' quoted", L"quoted", L"NOREMOVE"},
    {"PercentPercentIsOnePercent", L"'50%%'", L"50%", nullptr},
    {"SubstitutionNameInAnyCase", L"%module%-%MODULE%", L"m-m", nullptr},
    {"SubstitutionNameOf31Characters", L"%ABCDEFGHIJKLMNOPQRSTUVWXYZ12345%", L"thirty-one", nullptr},
    {"SubstitutedValueIsNotScannedAgain", L"'%Percent%'", L"%Module%", nullptr},
    // The assignment after Delete's key name is read and dropped: no key is named after any of its tokens.
    {"DeleteSkipsItsAssignment", L"Delete Old = s 'ignored' after", L"after", L"ignored"},
};

class KeyName : public testing::TestWithParam<KeyNameCase>
{
};

} // namespace

TEST_P(KeyName, CreatesTheKeyTheTokenNames)
{
    TestKey key(L"KeyName");
    const std::vector<std::pair<std::wstring, std::wstring>> substitutions = {
        {L"Module", L"m"}, {L"ABCDEFGHIJKLMNOPQRSTUVWXYZ12345", L"thirty-one"}, {L"Percent", L"%Module%"}};
    ASSERT_EQ(S_OK, RunTestScript(key.Script(GetParam().body), true, substitutions));
    EXPECT_TRUE(key.Exists(GetParam().createdKey));
    if (GetParam().absentKey)
    {
        EXPECT_FALSE(key.Exists(GetParam().absentKey));
    }
    EXPECT_FALSE(key.HasValue(GetParam().createdKey, L""));
}

INSTANTIATE_TEST_SUITE_P(Registrar, KeyName, testing::ValuesIn(kKeyNameCases),
                         [](const testing::TestParamInfo<KeyNameCase>& info) { return info.param.name; });

TEST(ScriptKeywords, ValInAnyCaseWritesAValueAndTheValueNameIsNotAKeyword)
{
    TestKey key(L"ValKeyword");
    ASSERT_EQ(
        S_OK,
        RunTestScript(key.Script(L"VAL Delete = s 'a'\r\nvAl 'NoRemove' = s 'b'\r\nval Val = s 'c'"), true));
    EXPECT_TRUE(key.HasValue(L"", L"Delete"));
    EXPECT_TRUE(key.HasValue(L"", L"NoRemove"));
    EXPECT_TRUE(key.HasValue(L"", L"Val"));
    EXPECT_FALSE(key.Exists(L"Delete"));
    EXPECT_FALSE(key.Exists(L"Val"));
}

TEST(ScriptKeywords, ForceRemoveDeletesTheTreeButNotAProtectedName)
{
    TestKey key(L"ForceRemove");
    key.SetString(L"CLSID\\foreign", L"", L"keep");
    key.SetString(L"Plain\\foreign", L"", L"gone");
    ASSERT_EQ(S_OK,
              RunTestScript(key.Script(L"ForceRemove clsid { mine }\r\nForceRemove Plain { mine }"), true));
    EXPECT_TRUE(key.Exists(L"CLSID\\foreign"));
    EXPECT_TRUE(key.Exists(L"CLSID\\mine"));
    EXPECT_FALSE(key.Exists(L"Plain\\foreign"));
    EXPECT_TRUE(key.Exists(L"Plain\\mine"));
}

TEST(ScriptKeywords, DeleteRemovesTheTreeAndDoesNotRecreateIt)
{
    TestKey key(L"Delete");
    key.SetString(L"Old\\deep\\deeper", L"v", L"x");
    key.SetString(L"Software\\foreign", L"", L"keep");
    ASSERT_EQ(S_OK, RunTestScript(key.Script(L"Delete Old = s 'ignored'\r\nDELETE Software\r\nafter"), true));
    EXPECT_FALSE(key.Exists(L"Old"));
    EXPECT_TRUE(key.Exists(L"Software\\foreign"));
    EXPECT_TRUE(key.Exists(L"after"));
}

TEST(ScriptStructure, FailingRootBlockKeepsEarlierRootBlocks)
{
    TestKey key(L"TwoRoots");
    const std::wstring script = key.Script(L"first") + key.Script(L"second { val b = b 'abc' }");
    EXPECT_EQ(E_FAIL, RunTestScript(script, true));
    EXPECT_TRUE(key.Exists(L"first"));
    EXPECT_FALSE(key.Exists(L"second"));
}

TEST(ScriptStructure, UnregisterStopsAtTheFirstFailingRootBlock)
{
    TestKey key(L"UnregisterStops");
    key.Create(L"first");
    key.Create(L"third");
    const std::wstring script = key.Script(L"first") + L"HKCU { bad\\name }\r\n" + key.Script(L"third");
    EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(script, false));
    EXPECT_FALSE(key.Exists(L"first"));
    EXPECT_TRUE(key.Exists(L"third"));
}
