#include <windows.h>
#include <oleauto.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/ComponentRegistration.h"
#include "tests/support/DebugTrace.h"
#include "tests/support/Process.h"
#include "tests/support/RegistryDump.h"
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

// A copy of the DLL, beside it, whose registration fails late: its type library cannot be loaded (its
// resource zeroed), or its class script ends with a root block that is no script.
enum class Breakage
{
    TypeLibrary,
    ClassScript,
};

std::wstring BrokenCopy(const std::wstring& dll, Breakage breakage)
{
    const bool typeLibrary = breakage == Breakage::TypeLibrary;
    const wchar_t* type = typeLibrary ? L"TYPELIB" : L"REGISTRY";
    const WORD id = typeLibrary ? 1 : 102;
    std::vector<BYTE> data;
    WORD language = 0;
    {
        const HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), type);
        const auto* begin = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
        data.assign(begin, begin + SizeofResource(module, resource));
        EnumResourceLanguagesW(
            module, type, MAKEINTRESOURCEW(id),
            [](HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR result)
            {
                *reinterpret_cast<WORD*>(result) = found;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&language));
        FreeLibrary(module);
    }
    const std::wstring copy = dll.substr(0, dll.rfind(L'\\') + 1) + L"Broken.dll";
    EXPECT_TRUE(CopyFileW(dll.c_str(), copy.c_str(), FALSE));
    const std::string tail = "\r\nHKCR { 'not\\a key' }\r\n";
    if (typeLibrary)
    {
        data.assign(data.size(), 0); // no type library's header
    }
    else
    {
        data.insert(data.end(), tail.begin(), tail.end());
    }
    const HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    EXPECT_TRUE(UpdateResourceW(update, type, MAKEINTRESOURCEW(id), language, data.data(),
                                static_cast<DWORD>(data.size())));
    EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
    return copy;
}

struct ReRegistration
{
    const char* name;
    const wchar_t* command; // followed by the DLL
    const Scope* scope;
};

const std::wstring kInstallPerMachine = L"\"" + FileFromEnvironment("EXPORT_CALLER") + L"\" ";

const ReRegistration kReRegistrations[] = {
    {"DllRegisterServer", L"regsvr32.exe /s ", &PerMachine},
    {"DllInstall", nullptr, &PerMachine}, // the export caller, DllInstall(TRUE, "")
    {"DllInstallUser", L"regsvr32.exe /s /n /i:user ", &PerUser},
};

class FailedReRegistration
    : public CleanRegistry<testing::TestWithParam<std::tuple<ReRegistration, Breakage>>>
{
  protected:
    DWORD Register(const std::wstring& dll) const
    {
        const ReRegistration& run = std::get<0>(GetParam());
        return RunProcess(run.command != nullptr ? run.command + Quoted(dll)
                                                 : kInstallPerMachine + Quoted(dll) + L" DllInstall 1 \"\"")
            .exitCode;
    }

    // The component's keys in the scope, and the type library's and interface's, which the platform keeps
    // for the machine under Wine.
    std::wstring Dump() const
    {
        const Scope& scope = *std::get<0>(GetParam()).scope;
        std::wstring dump;
        for (const wchar_t* key : kComponentOwnedKeys)
        {
            dump += test_support::DumpTree(scope.root, scope.classesPath + std::wstring(key));
        }
        for (const wchar_t* key : {L"TypeLib\\{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}",
                                   L"Interface\\{57C42397-6AE3-4AC5-AF16-466BCA2C252A}"})
        {
            dump += test_support::DumpTree(HKEY_CLASSES_ROOT, key);
        }
        return dump;
    }
};

// A failed update of a working registration leaves it exactly as it was, with what ForceRemove took away in
// between (the class key, with a subkey and values of someone else's) given back.
TEST_P(FailedReRegistration, LeavesTheWorkingRegistrationAsItWas)
{
    const auto& [run, breakage] = GetParam();
    ASSERT_EQ(0u, Register(m_dll));
    const std::wstring classKey = std::wstring(run.scope->classesPath) + kComponentClassKey;
    const DWORD number = 42;
    const BYTE bytes[] = {1, 2, 3};
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(run.scope->root, classKey.c_str(), L"number", REG_DWORD, &number,
                                             sizeof number));
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(run.scope->root, (classKey + L"\\Foreign").c_str(), L"bytes",
                                             REG_BINARY, bytes, sizeof bytes));
    const std::wstring before = Dump();

    EXPECT_NE(0u, Register(BrokenCopy(m_dll, breakage)));
    EXPECT_EQ(before, Dump());
    if (run.scope == &PerMachine) // Wine cannot activate per-user classes
    {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        CLSID clsid = {};
        IUnknown* object = nullptr;
        EXPECT_EQ(S_OK, CLSIDFromProgID(L"Voltwise.BatteryRemainingTime", &clsid));
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                         reinterpret_cast<void**>(&object)));
        if (object != nullptr)
        {
            object->Release();
        }
        CoUninitialize();
    }
}

INSTANTIATE_TEST_SUITE_P(Exports, FailedReRegistration,
                         testing::Combine(testing::ValuesIn(kReRegistrations),
                                          testing::Values(Breakage::TypeLibrary, Breakage::ClassScript)),
                         [](const auto& info)
                         {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == Breakage::TypeLibrary ? "_TypeLibrary"
                                                                                      : "_ClassScript");
                         });

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
