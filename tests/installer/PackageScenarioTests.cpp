#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "service/InstanceMutex.h"
#include "tests/installer/ProductInstallation.h"
#include "tests/installer/RegistrySnapshot.h"
#include "tests/service/integration/ServiceHarness.h"
#include "tests/support/ComponentRegistration.h"
#include "tests/support/GadgetClient.h"
#include "tests/support/Process.h"
#include "tests/support/UnixPath.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// Tellmark.msi installed, used, repaired, upgraded and removed with msiexec /qn as users and administrators
// do, each scenario in a fresh prefix of its own. TELLMARK_MSI, OLDER_VERSION_MSI, EARLIER_BUILD_MSI and
// UNSIGNED_BUILD_MSI name the packages, TELLMARK_SERVICE and VOLTWISE_DLL the built deliverables,
// GADGET_EXAMPLES the sample clients (Unix paths, reached through drive Z:); TELLMARK_VERSION is the
// package's version.

namespace installer_tests
{
namespace
{

using service::integration::kProductKey;
using service::integration::kStatusKey;
using service::integration::ReadText;
using service::integration::WaitUntil;
using test_support::FileFromEnvironment;

constexpr const wchar_t* kServiceFile = L"TellmarkSvc.exe";
constexpr const wchar_t* kComponentFile = L"Voltwise.dll";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where the type library's registration names the file for 32-bit hosts.
constexpr const wchar_t* kTypeLibraryWin32Key =
    L"TypeLib\\{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}\\1.0\\0\\win32";
// Where the product records its installation, per user in HKCU.
constexpr const wchar_t* kSetupRecordKey = L"Software\\Quorvel\\Tellmark Setup";
// A value the test leaves in the service's area.
constexpr const wchar_t* kMark = L"TestMark";
// Installing or removing the product fails with this code when a launch condition refuses it.
constexpr DWORD kInstallFailure = 1603;

const std::vector<RegistryArea> kMachineAreas = {
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Classes"},
    {HKEY_LOCAL_MACHINE, L"HKLM", kRunKey},
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer"},
    {HKEY_LOCAL_MACHINE, L"HKLM", L"Software\\Quorvel"},
};
const std::vector<RegistryArea> kUserAreas = {
    {HKEY_CURRENT_USER, L"HKCU", L"Software\\Classes"},
    {HKEY_CURRENT_USER, L"HKCU", kRunKey},
    {HKEY_CURRENT_USER, L"HKCU", L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_CURRENT_USER, L"HKCU", L"Software\\Microsoft\\Installer"},
    {HKEY_CURRENT_USER, L"HKCU", L"Software\\Quorvel"},
};

std::vector<RegistryArea> ProductAreas()
{
    std::vector<RegistryArea> areas = kMachineAreas;
    areas.insert(areas.end(), kUserAreas.begin(), kUserAreas.end());
    return areas;
}

// Empty keys that may stay behind, each a container a Windows machine has from the start or a shared one:
// - Windows Installer's own, which Wine's msiexec creates at its first installation and keeps;
// - the user's classes root, which a fresh Wine prefix lacks, with the AppID and CLSID keys below it that the
//   component's registration never removes (per machine neither).
const std::vector<std::wstring> kContainers = {
    L"[HKLM\\Software\\Classes\\Installer]",
    L"[HKLM\\Software\\Classes\\Installer\\Features]",
    L"[HKLM\\Software\\Classes\\Installer\\Products]",
    L"[HKLM\\Software\\Classes\\Installer\\UpgradeCodes]",
    L"[HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes]",
    L"[HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData]",
    L"[HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18]",
    L"[HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components]",
    L"[HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products]",
    L"[HKCU\\Software\\Classes]",
    L"[HKCU\\Software\\Classes\\AppID]",
    L"[HKCU\\Software\\Classes\\CLSID]",
    // The manufacturer's key, which may hold other products' keys: a service that stops on request clears
    // only its own key below it.
    L"[HKCU\\Software\\Quorvel]",
};

// What a per-user installation may add to the machine's registry under Wine: msiexec's records of the
// product, which Wine keeps in the machine's context whatever the installation's (it reads ALLUSERS=2 as 1
// when it opens the package), and the type library, which Wine's RegisterTypeLibForUser registers for the
// machine.
const std::vector<std::wstring> kMachineWideUnderWine = {
    L"hklm\\software\\classes\\installer",
    L"hklm\\software\\microsoft\\windows\\currentversion\\installer",
    L"hklm\\software\\microsoft\\windows\\currentversion\\uninstall\\{",
    L"hklm\\software\\classes\\typelib\\{a540f5d3-a097-4dd8-a69e-b4f4ef2fdc82}",
    L"hklm\\software\\classes\\interface\\{57c42397-6ae3-4ac5-af16-466bca2c252a}",
    L"hklm\\software\\classes\\wow6432node\\typelib\\{a540f5d3-a097-4dd8-a69e-b4f4ef2fdc82}",
    L"hklm\\software\\classes\\wow6432node\\interface\\{57c42397-6ae3-4ac5-af16-466bca2c252a}",
};

// A line of a snapshot whose path starts with one of the prefixes.
bool StartsWithAny(const std::wstring& line, const std::vector<std::wstring>& lowerCasePrefixes)
{
    std::wstring lower = line.substr(line.starts_with(L'[') ? 1 : 0);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t c) { return std::towlower(c); });
    return std::any_of(lowerCasePrefixes.begin(), lowerCasePrefixes.end(),
                       [&lower](const std::wstring& prefix) { return lower.rfind(prefix, 0) == 0; });
}

std::wstring WindowsFolder(const wchar_t* below)
{
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows, length) + below;
}

std::wstring EnvironmentText(const char* variable)
{
    const char* value = std::getenv(variable);
    return value == nullptr ? std::wstring() : std::wstring(value, value + std::strlen(value));
}

std::wstring TempFolder()
{
    wchar_t temp[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, length);
}

bool ServiceMutexExists()
{
    return static_cast<bool>(
        platform::UniqueHandleObject(OpenMutexW(SYNCHRONIZE, FALSE, service::kInstanceMutexName)));
}

template <typename Base> class Scenario : public Base
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_package.empty()) << "TELLMARK_MSI is not set";
        ASSERT_FALSE(m_service.empty()) << "TELLMARK_SERVICE is not set";
        ASSERT_FALSE(m_component.empty()) << "VOLTWISE_DLL is not set";
        ASSERT_FALSE(m_component32.empty()) << "VOLTWISE_X86_DLL is not set";
        // Every real machine starts other programs too: their values must stay. They also keep the Run keys
        // in place, which Wine's msiexec deletes when removing Tellmark's value leaves them empty.
        for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        {
            const std::wstring other = L"C:\\Other\\other.exe";
            ASSERT_EQ(ERROR_SUCCESS,
                      RegSetKeyValueW(root, kRunKey, L"Other", REG_SZ, other.c_str(),
                                      static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t))));
        }
        // The manufacturer's key that an earlier scenario in this prefix left empty (see kContainers).
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quorvel");
        // The null ALSA device, so that the service publishes a volume.
        service::integration::SelectAudioDriver(L"alsa");
        // Wine's script host registers its own type library when it first runs: before the snapshot, so that
        // the gadget client's run adds nothing to it.
        const std::wstring script = TempFolder() + L"nothing.js";
        std::ofstream(std::filesystem::path(script)).close();
        ASSERT_EQ(0u,
                  test_support::RunProcess(L"cscript.exe //nologo " + test_support::Quoted(script)).exitCode);
        m_registryBefore = SnapshotRegistry(ProductAreas());
        m_installerCacheBefore = FilesIn(WindowsFolder(L"\\Installer"));
    }

    void ExpectInstalled(const InstallScope& scope) const
    {
        SCOPED_TRACE("installed");
        const std::wstring folder = ProductFolder(scope);
        EXPECT_THAT(FilesIn(folder), testing::ElementsAre(kServiceFile, kComponentFile));
        EXPECT_TRUE(SameContent(folder + kServiceFile, m_service));
        EXPECT_TRUE(SameContent(folder + kComponentFile, m_component));
        EXPECT_THAT(test_support::MissingRegistrationEntries(scope.classesRoot, scope.classesPath,
                                                             folder + kComponentFile),
                    testing::IsEmpty());
        EXPECT_TRUE(test_support::ComponentTypeLibraryRegistered());
        ExpectTheDllForX86Hosts(scope);
        const HKEY otherRoot = scope.runRoot == HKEY_LOCAL_MACHINE ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        EXPECT_EQ(L"\"" + folder + kServiceFile + L"\"", RunValue(scope.runRoot));
        EXPECT_EQ(L"<absent>", RunValue(otherRoot));
    }

    // The 32-bit DLL beside the 64-bit one, registered in the 32-bit view. Per user only its type library is
    // checked: Wine keeps one per-user class key for both bitnesses, which the 64-bit DLL, registered last,
    // names.
    void ExpectTheDllForX86Hosts(const InstallScope& scope) const
    {
        SCOPED_TRACE("32-bit DLL");
        const std::wstring dll = ProductFolder(scope, true) + kComponentFile;
        EXPECT_THAT(FilesIn(ProductFolder(scope, true)), testing::ElementsAre(kComponentFile));
        EXPECT_TRUE(SameContent(dll, m_component32));
        EXPECT_EQ(dll, test_support::ReadRegistryText(HKEY_CLASSES_ROOT, kTypeLibraryWin32Key, nullptr));
        if (!scope.perUser)
        {
            EXPECT_THAT(test_support::MissingRegistrationEntries(HKEY_LOCAL_MACHINE, L"Software\\Classes\\",
                                                                 dll, KEY_WOW64_32KEY),
                        testing::IsEmpty());
        }
    }

    void ExpectANewSessionStartsTheService(const InstallScope& scope) const
    {
        SCOPED_TRACE("new session");
        ASSERT_EQ(0u, StartNewSession());
        ASSERT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"DisplayOrientation").has_value(); }));
        EXPECT_THAT(RunningServices(), testing::ElementsAre(ProductFolder(scope) + kServiceFile));
    }

    // The service runs from the installed file before the repair (with a mark in its area) and a new one
    // after it: the mark went with the area of the one that stopped.
    void ExpectARepairRestartsTheService(const InstallScope& scope) const
    {
        SCOPED_TRACE("repair");
        ASSERT_THAT(RunningServices(), testing::ElementsAre(ProductFolder(scope) + kServiceFile));
        service::integration::WriteNumber(kProductKey, kMark, 1);

        ASSERT_EQ(0u, Repair(m_package, kPerMachine));
        EXPECT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"DisplayOrientation").has_value(); }));
        EXPECT_FALSE(service::integration::ReadNumber(kProductKey, kMark).has_value());
        EXPECT_THAT(RunningServices(), testing::ElementsAre(ProductFolder(scope) + kServiceFile));
    }

    void ExpectTheGadgetClientWorks() const
    {
        SCOPED_TRACE("gadget client");
        const test_support::ProcessResult result =
            test_support::RunGadgetScript(FileFromEnvironment("GADGET_EXAMPLES"), L"gadget.js", L" 1");
        EXPECT_EQ(0u, result.exitCode) << result.output;
        const std::vector<std::string> lines = test_support::SplitLines(result.output);
        ASSERT_GE(lines.size(), 2u) << result.output;
        EXPECT_EQ(test_support::ExpectedBatteryLine(), lines[0]);
        EXPECT_EQ(std::string("Status:  ") + test_support::kGadgetStatus, lines[1]);
    }

    // mayStay: prefixes (lower case) of what the product leaves on purpose.
    void ExpectNothingLeft(const InstallScope& scope, const std::vector<std::wstring>& mayStay = {}) const
    {
        SCOPED_TRACE("uninstalled");
        EXPECT_THAT(RunningServices(), testing::IsEmpty());
        EXPECT_FALSE(ServiceMutexExists());
        EXPECT_THAT(FilesIn(ManufacturerFolder(scope)), testing::IsEmpty());
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ManufacturerFolder(scope).c_str()));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ManufacturerFolder(scope, true).c_str()));
        if (scope.perUser)
        {
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(PerUserX86Folder().c_str()));
        }
        const RegistrySnapshot after = SnapshotRegistry(ProductAreas());
        EXPECT_THAT(LinesOnlyIn(m_registryBefore, after), testing::IsEmpty());
        std::vector<std::wstring> added = LinesOnlyIn(after, m_registryBefore);
        std::erase_if(added, [&mayStay](const std::wstring& line) { return StartsWithAny(line, mayStay); });
        EXPECT_THAT(added, testing::Each(testing::AnyOfArray(kContainers)));
        EXPECT_EQ(m_installerCacheBefore, FilesIn(WindowsFolder(L"\\Installer")));
        EXPECT_THAT(InstalledVersions(), testing::IsEmpty());
    }

    std::wstring m_package = FileFromEnvironment("TELLMARK_MSI");
    std::wstring m_service = FileFromEnvironment("TELLMARK_SERVICE");
    std::wstring m_component = FileFromEnvironment("VOLTWISE_DLL");
    std::wstring m_component32 = FileFromEnvironment("VOLTWISE_X86_DLL");
    RegistrySnapshot m_registryBefore;
    std::vector<std::wstring> m_installerCacheBefore;
};

using PackageScenario = Scenario<testing::Test>;

TEST_F(PackageScenario, PerMachineStartsInEveryNewSessionServesTheGadgetAndUninstallsWithTheServiceRunning)
{
    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    ExpectInstalled(kPerMachine);
    ExpectANewSessionStartsTheService(kPerMachine);
    ExpectTheGadgetClientWorks();

    ASSERT_EQ(0u, Uninstall(m_package, kPerMachine));
    ExpectNothingLeft(kPerMachine);
}

// Wine cannot activate a class registered per user, so the gadget client is not run here.
TEST_F(PackageScenario, PerUserTouchesNothingOfTheMachineAndUninstallsWithTheServiceRunning)
{
    const RegistrySnapshot machineBefore = SnapshotRegistry(kMachineAreas);
    ASSERT_EQ(0u, Install(m_package, kPerUser));
    ExpectInstalled(kPerUser);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ManufacturerFolder(kPerMachine).c_str()));
    const std::vector<std::wstring> addedToMachine =
        LinesOnlyIn(SnapshotRegistry(kMachineAreas), machineBefore);
    EXPECT_THAT(addedToMachine,
                testing::Each(testing::Truly([](const std::wstring& line)
                                             { return StartsWithAny(line, kMachineWideUnderWine); })));
    ExpectANewSessionStartsTheService(kPerUser);

    ASSERT_EQ(0u, Uninstall(m_package, kPerUser));
    ExpectNothingLeft(kPerUser);
}

// Removing the feature, the product's only one, is an uninstall by another name.
TEST_F(PackageScenario, PerMachineRemovingTheFeatureRemovesAllThatAnUninstallRemoves)
{
    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    ExpectANewSessionStartsTheService(kPerMachine);

    ASSERT_EQ(0u, RemoveFeature(m_package, kPerMachine));
    ExpectNothingLeft(kPerMachine);
}

// A service whose registry refuses the stop request is ended, so that its file goes without a restart
// (msiexec's exit code would be 3010). Its area stays: a service clears it at its next start.
TEST_F(PackageScenario, PerMachineUninstallEndsAServiceThatCannotBeAskedToStop)
{
    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    ExpectANewSessionStartsTheService(kPerMachine);
    ASSERT_TRUE(service::integration::RefuseValueWrites(kProductKey));

    ASSERT_EQ(0u, Uninstall(m_package, kPerMachine));
    ExpectNothingLeft(kPerMachine, {L"hkcu\\software\\quorvel\\tellmark"});
    RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey); // as the service's next start would
}

// A per-user installation of another build leaves its record in the user's registry: a removal of the
// per-machine installation by its product code alone still acts for the machine.
TEST_F(PackageScenario, PerMachineRemovedByProductCodeBesideARecordOfAnotherInstallationLeavesNothing)
{
    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    ExpectANewSessionStartsTheService(kPerMachine);
    service::integration::WriteText(kSetupRecordKey, L"InstallFolder", ProductFolder(kPerUser));
    service::integration::WriteText(kSetupRecordKey, L"ProductCode",
                                    L"{9E1B7C52-0D4A-4F3E-8A61-2C5D7B9E0F13}");

    ASSERT_EQ(0u, UninstallByProductCode());
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, kSetupRecordKey));
    ExpectNothingLeft(kPerMachine);
}

// Add/Remove Programs passes no properties: the installation's own record gives its scope.
TEST_F(PackageScenario, PerUserRemovedByProductCodeAloneLeavesNothing)
{
    ASSERT_EQ(0u, Install(m_package, kPerUser));
    ExpectANewSessionStartsTheService(kPerUser);

    ASSERT_EQ(0u, UninstallByProductCode());
    ExpectNothingLeft(kPerUser);
}

// A repair rewrites the service's file: it stops the running service first and starts the repaired one.
TEST_F(PackageScenario, RepairRestoresADeletedFileAndTheRegistrationAndRestartsTheService)
{
    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    ExpectANewSessionStartsTheService(kPerMachine);
    ASSERT_TRUE(DeleteFileW((ProductFolder(kPerMachine) + kComponentFile).c_str()));
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CLASSES_ROOT, test_support::kComponentClassKey));

    ExpectARepairRestartsTheService(kPerMachine);
    ExpectInstalled(kPerMachine);

    ASSERT_EQ(0u, Uninstall(m_package, kPerMachine));
    ExpectNothingLeft(kPerMachine);
}

// The folder chosen at installation is where a repair, an upgrade and the removal act, though none is told.
TEST_F(PackageScenario, ChosenFolderIsKeptByAnUpgradeAndMaintenanceAndRemovedWhole)
{
    const std::wstring older = FileFromEnvironment("OLDER_VERSION_MSI");
    ASSERT_FALSE(older.empty()) << "OLDER_VERSION_MSI is not set";
    ASSERT_EQ(0u, Install(older, kChosenFolder));
    ExpectANewSessionStartsTheService(kChosenFolder);

    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    EXPECT_THAT(InstalledVersions(), testing::ElementsAre(EnvironmentText("TELLMARK_VERSION")));
    ExpectInstalled(kChosenFolder);
    ExpectARepairRestartsTheService(kChosenFolder);
    ExpectInstalled(kChosenFolder);

    ASSERT_EQ(0u, Uninstall(m_package, kPerMachine));
    ExpectNothingLeft(kChosenFolder);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ManufacturerFolder(kPerMachine).c_str()));
}

struct OlderPackage
{
    const char* name;
    const char* variable; // names the package
    // Whether the package is older in the three fields Windows Installer compares, and so refused once the
    // newer version is installed; a build that differs only in the fourth field counts as the same version,
    // and so does another build of the same version (the unsigned one of the signed package).
    bool refusedOverTheNewer;
};

class UpgradeScenario : public Scenario<testing::TestWithParam<OlderPackage>>
{
};

TEST_P(UpgradeScenario, ReplacesTheOlderVersionsServiceAndLeavesOneInstallationOfTheNewFiles)
{
    const std::wstring older = FileFromEnvironment(GetParam().variable);
    ASSERT_FALSE(older.empty()) << GetParam().variable << " is not set";
    ASSERT_EQ(0u, Install(older, kPerMachine));
    ExpectANewSessionStartsTheService(kPerMachine);

    ASSERT_EQ(0u, Install(m_package, kPerMachine));
    EXPECT_THAT(InstalledVersions(), testing::ElementsAre(EnvironmentText("TELLMARK_VERSION")));
    // The older version's service stopped, and the installing user's new one runs without a new logon.
    EXPECT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"DisplayOrientation").has_value(); }));
    EXPECT_THAT(RunningServices(), testing::ElementsAre(ProductFolder(kPerMachine) + kServiceFile));
    ExpectInstalled(kPerMachine);
    if (GetParam().refusedOverTheNewer)
    {
        EXPECT_EQ(kInstallFailure, Install(older, kPerMachine));
        EXPECT_EQ(1u, InstalledVersions().size());
        ExpectInstalled(kPerMachine);
    }

    ASSERT_EQ(0u, Uninstall(m_package, kPerMachine));
    ExpectNothingLeft(kPerMachine);
}

INSTANTIATE_TEST_SUITE_P(Older, UpgradeScenario,
                         testing::Values(OlderPackage{"LowerVersion", "OLDER_VERSION_MSI", true},
                                         OlderPackage{"EarlierBuild", "EARLIER_BUILD_MSI", false},
                                         OlderPackage{"UnsignedBuild", "UNSIGNED_BUILD_MSI", false}),
                         [](const testing::TestParamInfo<OlderPackage>& info) { return info.param.name; });

} // namespace
} // namespace installer_tests
