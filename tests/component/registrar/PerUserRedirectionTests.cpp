#include <windows.h>

#include "component/registrar/PerUserRegistration.h"
#include "tests/component/registrar/RegistryTestSupport.h"
#include "tests/support/RegistryDump.h"

#include <gtest/gtest.h>

#include <string>

// Runs in its own prefix: the scripts write to HKEY_CLASSES_ROOT. The switch cannot be turned off
// again, so the two tests run as separate processes (see CMakeLists.txt).

namespace
{

constexpr wchar_t kUserClasses[] = L"Software\\Classes\\";
constexpr wchar_t kMachineClasses[] = L"Software\\Classes\\";

bool InUserClasses(const std::wstring& name)
{
    return KeyExists(HKEY_CURRENT_USER, kUserClasses + name);
}

bool InMachineClasses(const std::wstring& name)
{
    return KeyExists(HKEY_LOCAL_MACHINE, kMachineClasses + name);
}

std::wstring DefaultValue(HKEY root, const std::wstring& path)
{
    RegistryValue value;
    if (!ReadValue(root, path, L"", value))
    {
        return L"(absent)";
    }
    return std::wstring(reinterpret_cast<const wchar_t*>(value.data.data()));
}

} // namespace

TEST(PerUserSwitchOff, ClassesRootBlocksStayPerMachine)
{
    ASSERT_FALSE(IsPerUserRegistrationEnabled());
    const std::wstring script = L"HKCR\r\n{\r\n\tVoltwiseMachineOnly = s 'm'\r\n}\r\n";
    ASSERT_EQ(S_OK, RunTestScript(script, true));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"VoltwiseMachineOnly"));
    EXPECT_FALSE(InUserClasses(L"VoltwiseMachineOnly"));
    ASSERT_EQ(S_OK, RunTestScript(script, false));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"VoltwiseMachineOnly"));
}

// Every spelling that the interpreter reads as the classes root, quoted or not: a per-user registration
// never writes for the whole machine.
TEST(PerUserSwitchOn, RedirectsEveryClassesRootBlockWhateverItsSpelling)
{
    EnablePerUserRegistration();
    ASSERT_TRUE(IsPerUserRegistrationEnabled());
    const std::wstring script = L"HKCR\r\n{\r\n"
                                L"\tVoltwiseRedirectA = s 'It''s {a}'\r\n\t{\r\n\t\tSub = s '}'\r\n\t}\r\n"
                                L"\tVoltwiseBraces = s '%Braces%'\r\n"
                                L"}\r\n"
                                L"HKCR { VoltwiseRedirectB { val v = s '%%' } }\r\n"
                                L"hkcr { VoltwiseSmallLetters = s 'user' }\r\n"
                                L"HKEY_CLASSES_ROOT { VoltwiseLongName }\r\n"
                                L"'HKCR' { VoltwiseQuoted }\r\n"
                                L"'hkey_classes_root'{ VoltwiseQuotedTouching }\r\n"
                                L"'HK''CR' { VoltwiseNoRootName }\r\n";
    const std::vector<std::pair<std::wstring, std::wstring>> substitutions = {{L"Braces", L"}} {"}};
    // 'HK''CR' reads as HK'CR, no root name: the run fails there, after the blocks before it.
    ASSERT_EQ(DISP_E_EXCEPTION, RunTestScript(script, true, substitutions));

    EXPECT_EQ(L"It's {a}", DefaultValue(HKEY_CURRENT_USER, L"Software\\Classes\\VoltwiseRedirectA"));
    EXPECT_EQ(L"}", DefaultValue(HKEY_CURRENT_USER, L"Software\\Classes\\VoltwiseRedirectA\\Sub"));
    EXPECT_EQ(L"}} {", DefaultValue(HKEY_CURRENT_USER, L"Software\\Classes\\VoltwiseBraces"));
    RegistryValue percent;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, L"Software\\Classes\\VoltwiseRedirectB", L"v", percent));
    EXPECT_EQ(StringBytes(L"%"), percent.data);
    EXPECT_FALSE(InMachineClasses(L"VoltwiseRedirectA"));
    EXPECT_FALSE(InMachineClasses(L"VoltwiseRedirectB"));

    const auto spelledKeys = {L"VoltwiseSmallLetters", L"VoltwiseLongName", L"VoltwiseQuoted",
                              L"VoltwiseQuotedTouching"};
    for (const wchar_t* key : spelledKeys)
    {
        EXPECT_TRUE(InUserClasses(key)) << key;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << key;
    }

    ASSERT_EQ(DISP_E_EXCEPTION, RunTestScript(script, false, substitutions));
    for (const wchar_t* userKey : {L"VoltwiseRedirectA", L"VoltwiseBraces", L"VoltwiseRedirectB"})
    {
        EXPECT_FALSE(InUserClasses(userKey)) << userKey;
    }
    for (const wchar_t* key : spelledKeys)
    {
        EXPECT_FALSE(InUserClasses(key)) << key;
    }
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));
}

namespace
{

struct QuoteCase
{
    const wchar_t* script;
    const wchar_t* key;          // below HKEY_CURRENT_USER\Software\Classes
    const wchar_t* defaultValue; // of the key's parent
};

// A ' opens a quoted token only where a token begins, as the tokenizer reads it.
const QuoteCase kQuoteCases[] = {
    {L"HKCR { VoltwiseBob's = s 'Bob''s' { Sub } }", L"VoltwiseBob's\\Sub", L"Bob's"},
    {L"HKCR { VoltwiseEnd' = s 'x' { Sub } }", L"VoltwiseEnd'\\Sub", L"x"},
    {L"HKCR { 'Voltwise Quoted'{ Sub = s '{' } }", L"Voltwise Quoted\\Sub", nullptr},
};

// Per machine these are no root names, so per user they must not be either.
const wchar_t* const kNoRootNames[] = {
    L"HKCRX { VoltwiseNoRoot }",
    L"HKCR{ VoltwiseNoRoot }",
    L"xHKCR { VoltwiseNoRoot }",
};

// Real users' classes are never empty; unregistration would remove an empty Classes key.
class ForeignUserClass
{
  public:
    ForeignUserClass() { RunTestScript(kScript, true); }
    ~ForeignUserClass() { RunTestScript(kScript, false); }

  private:
    static constexpr wchar_t kScript[] = L"HKCU { Software { Classes { VoltwiseForeign } } }";
};

} // namespace

TEST(PerUserSwitchOn, ApostrophesInsideUnquotedTokensAreOrdinaryCharacters)
{
    EnablePerUserRegistration();
    const ForeignUserClass foreign;
    const std::wstring before = test_support::DumpTree(HKEY_CURRENT_USER, L"Software");
    for (const QuoteCase& quoteCase : kQuoteCases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(quoteCase.script)));
        ASSERT_EQ(S_OK, RunTestScript(quoteCase.script, true));
        EXPECT_TRUE(InUserClasses(quoteCase.key));
        if (quoteCase.defaultValue != nullptr)
        {
            const std::wstring key = quoteCase.key;
            EXPECT_EQ(quoteCase.defaultValue,
                      DefaultValue(HKEY_CURRENT_USER, kUserClasses + key.substr(0, key.find(L'\\'))));
        }
        ASSERT_EQ(S_OK, RunTestScript(quoteCase.script, false));
        EXPECT_EQ(before, test_support::DumpTree(HKEY_CURRENT_USER, L"Software"));
    }
}

TEST(PerUserSwitchOn, OnlyTheExactRootNameIsRedirected)
{
    EnablePerUserRegistration();
    const ForeignUserClass foreign;
    const std::wstring before = test_support::DumpTree(HKEY_CURRENT_USER, L"Software");
    for (const wchar_t* script : kNoRootNames)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(script)));
        EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(script, true));
        EXPECT_EQ(DISP_E_EXCEPTION, RunTestScript(script, false));
        EXPECT_EQ(before, test_support::DumpTree(HKEY_CURRENT_USER, L"Software"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"VoltwiseNoRoot"));
    }
}

// Only a root block is redirected: a key inside a block that is named like the classes root is an ordinary
// key, and wrapping it would unbalance the braces.
TEST(PerUserSwitchOn, NestedKeyNamedLikeTheClassesRootIsAnOrdinaryKey)
{
    EnablePerUserRegistration();
    const ForeignUserClass foreign;
    const std::wstring script = L"HKCR { VoltwiseNested { HKCR = s 'inside' { Leaf } } }";
    ASSERT_EQ(S_OK, RunTestScript(script, true));
    EXPECT_EQ(L"inside", DefaultValue(HKEY_CURRENT_USER, L"Software\\Classes\\VoltwiseNested\\HKCR"));
    EXPECT_TRUE(InUserClasses(L"VoltwiseNested\\HKCR\\Leaf"));
    ASSERT_EQ(S_OK, RunTestScript(script, false));
    EXPECT_FALSE(InUserClasses(L"VoltwiseNested"));
}

namespace
{

struct MachineWideCase
{
    const char* name;
    std::wstring script;
    HRESULT expected;
    HRESULT unregisterExpected;
};

const std::wstring kSoftHyphens(30, L'\u00AD');

// Scripts whose classes root an earlier pre-processing missed, so that a per-user run wrote for the machine.
const MachineWideCase kMachineWideCases[] = {
    {"BraceInsideAToken", L"HKCU { Software { VoltwiseA{b } } HKCR { VoltwiseK }", S_OK, S_OK},
    {"QuotedBrace", L"HKCU { Software { VoltwiseX '{' } } } HKCR { VoltwiseK }", S_OK, S_OK},
    {"BraceAsValue", L"HKCU { Software { VoltwiseV { val x = s { } } } HKCR { VoltwiseK }", S_OK, S_OK},
    {"SubstitutedRoot", L"%ROOT% { VoltwiseK }", S_OK, S_OK},
    {"RootJoinedBySubstitution", L"HK%E%CR { VoltwiseK }", S_OK, S_OK},
    {"RootWithSoftHyphens", L"HKCR" + kSoftHyphens + L" { VoltwiseK }", S_OK, S_OK},
    // A block after Delete, which registration does not read as one (unregistration does), hides the classes
    // root from redirection: the root check refuses it and the earlier block is taken back.
    {"RootThatRedirectionCannotFind",
     L"HKCU { Software { VoltwiseEarlier = s 'e' } } "
     L"HKCU { Software { VoltwiseGuard { Delete X { } } } HKCR { VoltwiseK } }",
     E_ACCESSDENIED, S_OK},
};

void PrintTo(const MachineWideCase& machineWide, std::ostream* out)
{
    *out << machineWide.name;
}

class PerUserSwitchOnMachineWide : public testing::TestWithParam<MachineWideCase>
{
};

} // namespace

TEST_P(PerUserSwitchOnMachineWide, ScriptsLeaveTheMachineClassesAlone)
{
    EnablePerUserRegistration();
    const ForeignUserClass foreign;
    const std::vector<std::pair<std::wstring, std::wstring>> substitutions = {{L"ROOT", L"HKCR"},
                                                                              {L"E", L""}};
    const std::wstring machineBefore = test_support::DumpTree(HKEY_LOCAL_MACHINE, L"Software\\Classes");
    const std::wstring userBefore = test_support::DumpTree(HKEY_CURRENT_USER, L"Software");

    EXPECT_EQ(GetParam().expected, RunTestScript(GetParam().script, true, substitutions));
    EXPECT_EQ(machineBefore, test_support::DumpTree(HKEY_LOCAL_MACHINE, L"Software\\Classes"));
    EXPECT_EQ(SUCCEEDED(GetParam().expected), InUserClasses(L"VoltwiseK"));
    if (FAILED(GetParam().expected))
    {
        EXPECT_EQ(userBefore, test_support::DumpTree(HKEY_CURRENT_USER, L"Software"));
    }
    EXPECT_EQ(GetParam().unregisterExpected, RunTestScript(GetParam().script, false, substitutions));
    EXPECT_EQ(machineBefore, test_support::DumpTree(HKEY_LOCAL_MACHINE, L"Software\\Classes"));
    RunTestScript(
        L"HKCU { Software { VoltwiseA{b VoltwiseX VoltwiseV VoltwiseEarlier VoltwiseGuard { '{' } } }",
        false);
    EXPECT_EQ(userBefore, test_support::DumpTree(HKEY_CURRENT_USER, L"Software"));
}

INSTANTIATE_TEST_SUITE_P(Scripts, PerUserSwitchOnMachineWide, testing::ValuesIn(kMachineWideCases),
                         [](const auto& info) { return std::string(info.param.name); });
