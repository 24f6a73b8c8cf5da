// Both bitnesses of Voltwise.dll registered side by side in one prefix: each registration lands in the
// registry view of its host bitness, and each script host creates the class from the DLL of its own bitness.
// A 64-bit program: the 32-bit tools it starts run in Wine's 32-bit half. VOLTWISE_DLL and VOLTWISE_X64_DLL
// name the 32-bit and the 64-bit DLL (Unix paths, reached through drive Z:); they lie in different folders,
// so the path a host's registry view gives back tells them apart.
#include <windows.h>

#include "platform/UniqueHandle.h"
#include "tests/support/ComponentRegistration.h"
#include "tests/support/Process.h"
#include "tests/support/RegistryKeys.h"
#include "tests/support/UnixPath.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <tuple>

namespace
{

using test_support::FileFromEnvironment;
using test_support::kComponentClassKey;
using test_support::kComponentOwnedKeys;
using test_support::KeyExists;
using test_support::MissingRegistrationEntries;
using test_support::Quoted;
using test_support::ReadRegistryText;
using test_support::RunProcess;

const std::wstring Classes = L"Software\\Classes\\";
const std::wstring ServerKey = Classes + kComponentClassKey + L"\\InprocServer32";
// Written and removed by the type library functions, not by the registration scripts.
const wchar_t* const InterfaceKey = L"Interface\\{57C42397-6AE3-4AC5-AF16-466BCA2C252A}";
const wchar_t* const TypeLibKey = L"TypeLib\\{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}";
const std::wstring TypeLibPlatforms = Classes + TypeLibKey + L"\\1.0\\0\\";
// Where the 32-bit view of the machine's classes lies in the 64-bit one.
const std::wstring Wow64Classes = Classes + L"Wow6432Node\\";

struct Host
{
    const char* name;
    const wchar_t* systemFolder;
    REGSAM view;
    const char* dllVariable;
    const wchar_t* typeLibPlatform;
};

const Host Host64 = {"Host64", L"C:\\windows\\system32\\", KEY_WOW64_64KEY, "VOLTWISE_X64_DLL", L"win64"};
const Host Host32 = {"Host32", L"C:\\windows\\syswow64\\", KEY_WOW64_32KEY, "VOLTWISE_DLL", L"win32"};

const Host& OtherHost(const Host& host)
{
    return host.view == Host64.view ? Host32 : Host64;
}

std::wstring Dll(const Host& host)
{
    return FileFromEnvironment(host.dllVariable);
}

const wchar_t* const PerMachine = L"/s";
const wchar_t* const PerUser = L"/s /n /i:user";
const wchar_t* const PerMachineRemoval = L"/s /u";

DWORD Regsvr32(const Host& host, const wchar_t* switches)
{
    return RunProcess(Quoted(std::wstring(host.systemFolder) + L"regsvr32.exe") + L" " + switches + L" " +
                      Quoted(Dll(host)))
        .exitCode;
}

void DeleteTree(HKEY root, const std::wstring& path, REGSAM view)
{
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS | view, key.Put()) == ERROR_SUCCESS)
    {
        RegDeleteTreeW(key.Get(), nullptr);
        key.Reset();
        RegDeleteKeyExW(root, path.c_str(), view, 0);
    }
}

void RemoveRegistrations()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
    {
        for (const Host* host : {&Host64, &Host32})
        {
            for (const wchar_t* key : kComponentOwnedKeys)
            {
                DeleteTree(root, Classes + key, host->view);
            }
            DeleteTree(root, Classes + InterfaceKey, host->view);
            DeleteTree(root, Classes + TypeLibKey, host->view);
        }
    }
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool RunningOnWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

struct Language
{
    const char* name;
    const wchar_t* extension;
    const char* source;
};

// Each script prints the minutes and the server path its host's view of the class gives, or "no object".
const Language JScript = {
    "JScript", L".js",
    "try {\r\n"
    "    var battery = new ActiveXObject(\"Voltwise.BatteryRemainingTime\");\r\n"
    "    WScript.Echo(battery.GetRemainingTime());\r\n"
    "    WScript.Echo(new ActiveXObject(\"WScript.Shell\").RegRead(\r\n"
    "        \"HKCR\\\\CLSID\\\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\\\InprocServer32\\\\\"));\r\n"
    "} catch (e) {\r\n"
    "    WScript.Echo(\"no object\");\r\n"
    "}\r\n"};
const Language VBScript = {
    "VBScript", L".vbs",
    "On Error Resume Next\r\n"
    "Set battery = CreateObject(\"Voltwise.BatteryRemainingTime.1\")\r\n"
    "If Err.Number <> 0 Then\r\n"
    "    WScript.Echo \"no object\"\r\n"
    "Else\r\n"
    "    WScript.Echo battery.GetRemainingTime()\r\n"
    "    WScript.Echo CreateObject(\"WScript.Shell\").RegRead( _\r\n"
    "        \"HKCR\\CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32\\\")\r\n"
    "End If\r\n"};

// What the host's cscript prints for the script (Wine's cscript exits with 0 even when a script fails).
std::string RunScript(const Host& host, const Language& language)
{
    wchar_t temp[MAX_PATH];
    EXPECT_NE(0u, GetTempPathW(MAX_PATH, temp));
    const std::wstring script = std::wstring(temp) + L"side-by-side" + language.extension;
    std::ofstream(std::filesystem::path(script), std::ios::binary) << language.source;
    return RunProcess(Quoted(std::wstring(host.systemFolder) + L"cscript.exe") + L" //nologo " +
                      Quoted(script))
        .output;
}

std::string CreatedFrom(const Host& host)
{
    SYSTEM_POWER_STATUS status = {};
    EXPECT_TRUE(GetSystemPowerStatus(&status));
    return std::to_string(status.BatteryLifeTime / 60u) + "\r\n" + Narrow(Dll(host)) + "\r\n";
}

// Each test starts and ends without any registration of the component in either view.
class CleanRegistry : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(Dll(Host32).empty()) << "VOLTWISE_DLL is not set";
        ASSERT_FALSE(Dll(Host64).empty()) << "VOLTWISE_X64_DLL is not set";
        RemoveRegistrations();
    }
    void TearDown() override { RemoveRegistrations(); }
};

// Both DLLs registered per machine, each with the regsvr32 of its own bitness, once for all cases.
class SideBySide : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        RemoveRegistrations();
        s_registered64 = Regsvr32(Host64, PerMachine);
        s_registered32 = Regsvr32(Host32, PerMachine);
    }
    static void TearDownTestSuite() { RemoveRegistrations(); }

    void SetUp() override
    {
        ASSERT_EQ(0u, s_registered64);
        ASSERT_EQ(0u, s_registered32);
    }

    static inline DWORD s_registered64 = test_support::kNoExitCode;
    static inline DWORD s_registered32 = test_support::kNoExitCode;
};

TEST_F(SideBySide, EachViewHoldsEveryEntryOfItsOwnDll)
{
    for (const Host* host : {&Host64, &Host32})
    {
        SCOPED_TRACE(host->name);
        EXPECT_THAT(MissingRegistrationEntries(HKEY_LOCAL_MACHINE, Classes, Dll(*host), host->view),
                    testing::IsEmpty());
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Classes + InterfaceKey, host->view));
        // The type library's key is shared; each bitness has its own platform below it.
        EXPECT_EQ(Dll(*host), ReadRegistryText(HKEY_LOCAL_MACHINE, TypeLibPlatforms + host->typeLibPlatform,
                                               nullptr, host->view));
    }
}

TEST_F(SideBySide, The32BitClassAndInterfaceLieUnderWow6432Node)
{
    EXPECT_EQ(Dll(Host32),
              ReadRegistryText(HKEY_LOCAL_MACHINE, Wow64Classes + kComponentClassKey + L"\\InprocServer32",
                               nullptr, KEY_WOW64_64KEY));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Wow64Classes + InterfaceKey, KEY_WOW64_64KEY));
}

class SideBySideScript : public SideBySide, public testing::WithParamInterface<std::tuple<Host, Language>>
{
};

TEST_P(SideBySideScript, HostCreatesTheClassFromTheDllOfItsOwnBitness)
{
    const auto& [host, language] = GetParam();
    EXPECT_EQ(CreatedFrom(host), RunScript(host, language));
}

INSTANTIATE_TEST_SUITE_P(HostsAndLanguages, SideBySideScript,
                         testing::Combine(testing::Values(Host64, Host32),
                                          testing::Values(JScript, VBScript)),
                         [](const testing::TestParamInfo<std::tuple<Host, Language>>& info) {
                             return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

class OneBitness : public CleanRegistry, public testing::WithParamInterface<Host>
{
};

// What users of a 32-bit script host meet when only the 64-bit DLL is registered, and the other way round.
TEST_P(OneBitness, HostCannotUseTheRegistrationOfTheOtherBitness)
{
    const Host& host = GetParam();
    ASSERT_EQ(0u, Regsvr32(OtherHost(host), PerMachine));
    EXPECT_EQ("no object\r\n", RunScript(host, JScript));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ServerKey, host.view));
}

// The ProgIDs and the application entries are shared by both views, so they go with either unregistration.
TEST_P(OneBitness, UnregisteringTheOtherBitnessKeepsThisOnesClassAndTypeLibrary)
{
    const Host& host = GetParam();
    ASSERT_EQ(0u, Regsvr32(host, PerMachine));
    ASSERT_EQ(0u, Regsvr32(OtherHost(host), PerMachine));
    ASSERT_EQ(0u, Regsvr32(OtherHost(host), PerMachineRemoval));

    // The interface's keys are the type library functions' business: Wine's UnRegisterTypeLib removes them
    // from both views.
    EXPECT_EQ(Dll(host), ReadRegistryText(HKEY_LOCAL_MACHINE, ServerKey, nullptr, host.view));
    EXPECT_EQ(Dll(host), ReadRegistryText(HKEY_LOCAL_MACHINE, TypeLibPlatforms + host.typeLibPlatform,
                                          nullptr, host.view));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Classes + kComponentClassKey, OtherHost(host).view));
    EXPECT_FALSE(
        KeyExists(HKEY_LOCAL_MACHINE, TypeLibPlatforms + OtherHost(host).typeLibPlatform, host.view));
}

INSTANTIATE_TEST_SUITE_P(Hosts, OneBitness, testing::Values(Host64, Host32),
                         [](const testing::TestParamInfo<Host>& info) { return info.param.name; });

class PerUserSideBySide : public CleanRegistry
{
};

// Windows redirects HKCU\Software\Classes\CLSID for 32-bit writers to
// HKCU\Software\Classes\Wow6432Node\CLSID, so that each bitness keeps its own per-user class. Wine 8 does
// not: both write one key, and the registration that came last names its DLL in both views.
TEST_F(PerUserSideBySide, EachViewHoldsItsOwnClassOnWindowsAndTheLastOneOnWine)
{
    ASSERT_EQ(0u, Regsvr32(Host64, PerUser));
    ASSERT_EQ(0u, Regsvr32(Host32, PerUser));
    EXPECT_THAT(MissingRegistrationEntries(HKEY_CURRENT_USER, Classes, Dll(Host32), Host32.view),
                testing::IsEmpty());
    EXPECT_EQ(Dll(RunningOnWine() ? Host32 : Host64),
              ReadRegistryText(HKEY_CURRENT_USER, ServerKey, nullptr, Host64.view));
}

} // namespace
