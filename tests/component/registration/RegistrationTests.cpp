#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/component/support/RegistrationEntries.h"
#include "tests/support/Process.h"
#include "tests/support/RegistryKeys.h"
#include "tests/support/UnixPath.h"

// Registration through the real registration tool and script hosts, in a prefix of its own.
// VOLTWISE_DLL and EXPORT_CALLER name the built files (Unix paths, reached through drive Z:).

namespace
{

using test_support::ClassKey;
using test_support::Entries;
using test_support::Entry;
using test_support::FileFromEnvironment;
using test_support::KeyExists;
using test_support::ModulePath;
using test_support::OwnedKeys;
using test_support::ProcessResult;
using test_support::Quoted;
using test_support::RunProcess;

const GUID LibraryId = {0xA540F5D3, 0xA097, 0x4DD8, {0xA6, 0x9E, 0xB4, 0xF4, 0xEF, 0x2F, 0xDC, 0x82}};

// The text of a REG_SZ value, or "<absent>".
std::wstring ReadText(HKEY root, const std::wstring& path, const wchar_t* value)
{
    wchar_t data[1024];
    DWORD size = sizeof data;
    if (RegGetValueW(root, path.c_str(), value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    {
        return L"<absent>";
    }
    return data;
}

void SetText(HKEY root, const std::wstring& path, const wchar_t* value, const std::wstring& data)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(root, path.c_str(), value, REG_SZ, data.c_str(),
                                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
}

bool TypeLibraryRegistered()
{
    ITypeLib* library = nullptr;
    const HRESULT result = LoadRegTypeLib(LibraryId, 1, 0, 0, &library);
    if (library != nullptr)
    {
        library->Release();
    }
    return SUCCEEDED(result);
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
        for (const wchar_t* key : OwnedKeys)
        {
            RegDeleteTreeW(scope.root, (std::wstring(scope.classesPath) + key).c_str());
        }
    }
    UnRegisterTypeLib(LibraryId, 1, 0, 0, SYS_WIN64);
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
        for (const Entry& entry : Entries)
        {
            SCOPED_TRACE(testing::Message() << "key " << testing::PrintToString(Path(entry.key)));
            EXPECT_TRUE(KeyExists(GetParam().root, Path(entry.key)));
            if (entry.data != nullptr)
            {
                const std::wstring expected = entry.data == ModulePath ? modulePath : entry.data;
                EXPECT_EQ(expected, ReadText(GetParam().root, Path(entry.key), entry.value));
            }
        }
        EXPECT_TRUE(TypeLibraryRegistered());
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
    for (const wchar_t* key : OwnedKeys)
    {
        EXPECT_FALSE(KeyExists(GetParam().root, Path(key))) << testing::PrintToString(Path(key));
    }
    EXPECT_FALSE(TypeLibraryRegistered());
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
    EXPECT_EQ(copy, ReadText(HKEY_CLASSES_ROOT,
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

    const std::wstring classKey = L"Software\\Classes\\" + std::wstring(ClassKey);
    EXPECT_EQ(perUser, KeyExists(HKEY_CURRENT_USER, classKey));
    EXPECT_EQ(perUser, !KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + std::wstring(ClassKey)));

    const ProcessResult removed = RunProcess(exporter + L" DllInstall 0 " + Quoted(commandLine));
    ASSERT_EQ(0u, removed.exitCode) << removed.output;
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, classKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey));
}

INSTANTIATE_TEST_SUITE_P(CommandLines, InstallCommandLine,
                         testing::Values(std::pair{L"user", true}, std::pair{L"USER", true},
                                         std::pair{L"uSeR", true}, std::pair{L"users", false},
                                         std::pair{L"user ", false}, std::pair{L"", false},
                                         std::pair{L"-", false}));

// Each export runs with the system default thread locale and gives the caller's locale back. Unregistering
// exports get a registration to remove first: what removing an absent type library gives is the platform's.
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
                                         ExportCall{nullptr, L"DllInstall 1 user"},
                                         ExportCall{L"DllInstall 1 user", L"DllInstall 0 user"}));

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

} // namespace
