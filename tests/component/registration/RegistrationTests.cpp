#include <windows.h>
#include <oleauto.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/ComponentRegistration.h"
#include "tests/support/DebugTrace.h"
#include "tests/support/Process.h"
#include "tests/support/RegistryKeys.h"
#include "tests/support/UnixPath.h"

// Registration through the real registration tool and script hosts, in a prefix of its own.
// VOLTWISE_DLL and EXPORT_CALLER name the built files (Unix paths, reached through drive Z:).

namespace
{

using test_support::FileFromEnvironment;
using test_support::kComponentClassKey;
using test_support::kComponentLibraryId;
using test_support::kComponentOwnedKeys;
using test_support::KeyExists;
using test_support::ProcessResult;
using test_support::Quoted;
using test_support::ReadRegistryText;
using test_support::RunProcess;

void SetText(HKEY root, const std::wstring& path, const wchar_t* value, const std::wstring& data)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root, path.c_str(), value, REG_SZ, data.c_str(),
                                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
}

struct Scope
{
    const char* name;
    const wchar_t* registerSwitches;
    const wchar_t* unregisterSwitches;
    HKEY root;
    const wchar_t* classesPath; // the classes root below root, with a trailing backslash
};

const Scope PerMachine = {"PerMachine", L"/s", L"/s /u", HKEY_CLASSES_ROOT, L""};
const Scope PerUser = {"PerUser", L"/s /n /i:user", L"/s /u /n /i:user", HKEY_CURRENT_USER,
                       L"Software\\Classes\\"};

void RemoveRegistrations()
{
    for (const Scope& scope : {PerMachine, PerUser})
    {
        for (const wchar_t* key : kComponentOwnedKeys)
        {
            RegDeleteTreeW(scope.root, (std::wstring(scope.classesPath) + key).c_str());
        }
    }
    UnRegisterTypeLib(kComponentLibraryId, 1, 0, 0, SYS_WIN64);
}

// Every test starts and ends without any registration of the component.
template <typename Base> class CleanRegistry : public Base
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dll.empty()) << "VOLTWISE_DLL is not set";
        RemoveRegistrations();
    }
    void TearDown() override { RemoveRegistrations(); }

    std::wstring m_dll = FileFromEnvironment("VOLTWISE_DLL");
};

class Registration : public CleanRegistry<testing::TestWithParam<Scope>>
{
  protected:
    std::wstring Path(const wchar_t* key) const { return std::wstring(GetParam().classesPath) + key; }

    DWORD RegisterServer(const std::wstring& dll) const
    {
        return RunProcess(L"regsvr32.exe " + std::wstring(GetParam().registerSwitches) + L" " + Quoted(dll))
            .exitCode;
    }
    DWORD UnregisterServer(const std::wstring& dll) const
    {
        return RunProcess(L"regsvr32.exe " + std::wstring(GetParam().unregisterSwitches) + L" " + Quoted(dll))
            .exitCode;
    }

    void ExpectEveryEntry(const std::wstring& modulePath) const
    {
        EXPECT_THAT(
            test_support::MissingRegistrationEntries(GetParam().root, GetParam().classesPath, modulePath),
            testing::IsEmpty());
        EXPECT_TRUE(test_support::ComponentTypeLibraryRegistered());
    }
};

TEST_P(Registration, WritesEveryEntry)
{
    ASSERT_EQ(0u, RegisterServer(m_dll));
    ExpectEveryEntry(m_dll);
}

TEST_P(Registration, UnregistrationRemovesWhatRegistrationWrote)
{
    ASSERT_EQ(0u, RegisterServer(m_dll));
    ASSERT_EQ(0u, UnregisterServer(m_dll));
    for (const wchar_t* key : kComponentOwnedKeys)
    {
        EXPECT_FALSE(KeyExists(GetParam().root, Path(key))) << testing::PrintToString(Path(key));
    }
    EXPECT_FALSE(test_support::ComponentTypeLibraryRegistered());
}

TEST_P(Registration, RegisteringTwiceRebuildsTheClassKeyAndOverwritesProgIdValues)
{
    ASSERT_EQ(0u, RegisterServer(m_dll));
    SetText(GetParam().root, Path(L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\Foreign"), nullptr, L"x");
    SetText(GetParam().root, Path(L"Voltwise.BatteryRemainingTime\\CurVer"), nullptr, L"stale");
    SetText(GetParam().root, Path(L"Voltwise.BatteryRemainingTime.1"), nullptr, L"stale");

    ASSERT_EQ(0u, RegisterServer(m_dll));
    EXPECT_FALSE(KeyExists(GetParam().root, Path(L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\Foreign")));
    ExpectEveryEntry(m_dll);
}

TEST_P(Registration, UnregistrationKeepsAClassKeyThatGainedAForeignSubkey)
{
    ASSERT_EQ(0u, RegisterServer(m_dll));
    const std::wstring foreign = Path(L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\Foreign");
    SetText(GetParam().root, foreign, nullptr, L"x");

    ASSERT_EQ(0u, UnregisterServer(m_dll));
    EXPECT_TRUE(KeyExists(GetParam().root, foreign));
    EXPECT_FALSE(KeyExists(GetParam().root, Path(L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\ProgID")));
    EXPECT_FALSE(
        KeyExists(GetParam().root, Path(L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32")));
    EXPECT_FALSE(KeyExists(GetParam().root, Path(L"Voltwise.BatteryRemainingTime")));
    EXPECT_FALSE(KeyExists(GetParam().root, Path(L"AppID\\Voltwise.DLL")));
}

INSTANTIATE_TEST_SUITE_P(Scopes, Registration, testing::Values(PerMachine, PerUser),
                         [](const testing::TestParamInfo<Scope>& info) { return info.param.name; });

class PerMachineRegistration : public CleanRegistry<testing::Test>
{
};

TEST_F(PerMachineRegistration, KeepsTheClsidAndAppIdRoots)
{
    ASSERT_EQ(0u, RunProcess(L"regsvr32.exe /s " + Quoted(m_dll)).exitCode);
    ASSERT_EQ(0u, RunProcess(L"regsvr32.exe /s /u " + Quoted(m_dll)).exitCode);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
}

TEST_F(PerMachineRegistration, RecordsTheExactPathOfAFolderWithAQuoteInItsName)
{
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    const std::filesystem::path folder = std::filesystem::path(temp) / L"it's Voltwise";
    std::filesystem::create_directories(folder);
    const std::wstring copy = (folder / L"Voltwise.dll").wstring();
    ASSERT_TRUE(CopyFileW(m_dll.c_str(), copy.c_str(), FALSE));

    ASSERT_EQ(0u, RunProcess(L"regsvr32.exe /s " + Quoted(copy)).exitCode);
    EXPECT_EQ(copy,
              ReadRegistryText(HKEY_CLASSES_ROOT,
                               L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32", nullptr));
    EXPECT_EQ(0u, RunProcess(L"regsvr32.exe /s /u " + Quoted(copy)).exitCode);
}

// Only the command line "user", in any letter case, selects per-user registration.
class InstallCommandLine : public CleanRegistry<testing::TestWithParam<std::pair<const wchar_t*, bool>>>
{
};

TEST_P(InstallCommandLine, SelectsTheScope)
{
    const auto [commandLine, perUser] = GetParam();
    const std::wstring exporter = Quoted(FileFromEnvironment("EXPORT_CALLER")) + L" " + Quoted(m_dll);
    const ProcessResult installed = RunProcess(exporter + L" DllInstall 1 " + Quoted(commandLine));
    ASSERT_EQ(0u, installed.exitCode) << installed.output;

    const std::wstring classKey = L"Software\\Classes\\" + std::wstring(kComponentClassKey);
    EXPECT_EQ(perUser, KeyExists(HKEY_CURRENT_USER, classKey));
    EXPECT_EQ(perUser,
              !KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + std::wstring(kComponentClassKey)));

    const ProcessResult removed = RunProcess(exporter + L" DllInstall 0 " + Quoted(commandLine));
    ASSERT_EQ(0u, removed.exitCode) << removed.output;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, classKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kComponentClassKey));
}

INSTANTIATE_TEST_SUITE_P(CommandLines, InstallCommandLine,
                         testing::Values(std::pair{L"user", true}, std::pair{L"USER", true},
                                         std::pair{L"uSeR", true}, std::pair{L"users", false},
                                         std::pair{L"user ", false}, std::pair{L"", false},
                                         std::pair{L"-", false}));

// Each export runs with the system default thread locale and gives the caller's locale back. Unregistering
// exports succeed with or without a registration to remove.
struct ExportCall
{
    const wchar_t* prepare; // nullptr: nothing
    const wchar_t* call;
};

class ExportKeepsTheThreadLocale : public CleanRegistry<testing::TestWithParam<ExportCall>>
{
};

TEST_P(ExportKeepsTheThreadLocale, AfterTheCall)
{
    const std::wstring exporter = Quoted(FileFromEnvironment("EXPORT_CALLER")) + L" " + Quoted(m_dll) + L" ";
    if (GetParam().prepare != nullptr)
    {
        ASSERT_EQ(0u, RunProcess(exporter + GetParam().prepare).exitCode);
    }
    const ProcessResult result = RunProcess(exporter + GetParam().call);
    EXPECT_EQ(0u, result.exitCode) << result.output;
}

INSTANTIATE_TEST_SUITE_P(Exports, ExportKeepsTheThreadLocale,
                         testing::Values(ExportCall{nullptr, L"DllRegisterServer"},
                                         ExportCall{L"DllRegisterServer", L"DllUnregisterServer"},
                                         ExportCall{nullptr, L"DllUnregisterServer"},
                                         ExportCall{nullptr, L"DllInstall 1 user"},
                                         ExportCall{L"DllInstall 1 user", L"DllInstall 0 user"},
                                         ExportCall{nullptr, L"DllInstall 0 user"}));

// Script clients create the class by either ProgID and get the minutes the platform reports.
class ScriptClient : public CleanRegistry<testing::TestWithParam<std::pair<const wchar_t*, const char*>>>
{
};

TEST_P(ScriptClient, PrintsTheRemainingMinutes)
{
    const auto [extension, source] = GetParam();
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, GetTempPathW(MAX_PATH, temp));
    const std::wstring script = std::wstring(temp) + L"battery" + extension;
    std::ofstream(std::filesystem::path(script), std::ios::binary) << source;

    ASSERT_EQ(0u, RunProcess(L"regsvr32.exe /s " + Quoted(m_dll)).exitCode);
    const ProcessResult result = RunProcess(L"cscript.exe //nologo " + Quoted(script));
    SYSTEM_POWER_STATUS status = {};
    ASSERT_TRUE(GetSystemPowerStatus(&status));
    EXPECT_EQ(std::to_string(status.BatteryLifeTime / 60u) + "\r\n", result.output);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ScriptClient,
    testing::Values(
        std::pair{
            L".js",
            "WScript.Echo(new ActiveXObject(\"Voltwise.BatteryRemainingTime\").GetRemainingTime());\r\n"},
        std::pair{L".vbs",
                  "WScript.Echo CreateObject(\"Voltwise.BatteryRemainingTime.1\").GetRemainingTime()\r\n"}));

// What regsvr32 leaves in the debug output of its process, read the way Wine shows it (WINEDEBUG=+debugstr).
class RegistrationTrace : public CleanRegistry<testing::Test>
{
  protected:
    std::vector<std::string> Regsvr32Lines(const std::wstring& switches, DWORD expectedExitCode) const
    {
        DWORD processId = 0;
        EXPECT_EQ(debug_trace::Run(L"regsvr32.exe " + switches + L" " + Quoted(m_dll), processId),
                  expectedExitCode);
        return debug_trace::Lines(processId);
    }
};

TEST_F(RegistrationTrace, RegisteringAndUnregisteringTwiceLeaveNoLine)
{
    for (const wchar_t* switches : {L"/s", L"/s", L"/s /u", L"/s /u"})
    {
        EXPECT_THAT(Regsvr32Lines(switches, 0), testing::IsEmpty()) << testing::PrintToString(switches);
    }
}

// A non-volatile key cannot be created below a volatile one: the class script fails at its second key.
TEST_F(RegistrationTrace, AFailingRegistrationLeavesExactlyTheLineOfItsFailure)
{
    HKEY volatileKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CLASSES_ROOT, L"Voltwise.BatteryRemainingTime.1", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr));
    RegCloseKey(volatileKey);
    const std::vector<std::string> lines = Regsvr32Lines(L"/s", 5); // 5: DllRegisterServer failed
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Voltwise.BatteryRemainingTime.1");
    EXPECT_THAT(lines,
                testing::ElementsAre(testing::MatchesRegex(
                    "Voltwise\\.dll: component/registrar/RegScriptEntries\\.cpp\\(\\d+\\) in RegisterKey: "
                    "0x800703FD .+")));
}

} // namespace
