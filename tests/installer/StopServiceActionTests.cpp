#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "tests/installer/RegistrySnapshot.h"
#include "tests/service/integration/ServiceHarness.h"
#include "tests/support/UnixPath.h"

#include <optional>
#include <string>
#include <vector>

// The package's StopTellmarkService custom action, called the way msiexec calls it, from TellmarkSetup.dll
// beside this program, in a session of the real package (TELLMARK_MSI) that gives it its CustomActionData as
// the package does, against the real TellmarkSvc.exe beside this program. It writes nothing in a user's
// registry but the stop request, and deletes nothing there.

namespace
{

using namespace service::integration;

using CustomAction = UINT(WINAPI*)(MSIHANDLE);
using UniqueMsiHandle = platform::UniqueHandle<MSIHANDLE, &MsiCloseHandle>;

constexpr const wchar_t* kManufacturerKey = L"Software\\Quorvel";
constexpr const wchar_t* kOtherProductKey = L"Software\\Quorvel\\Other";
constexpr const wchar_t* kSetting = L"Setting";
// A key of the machine that a user's link leads to.
constexpr const wchar_t* kVictimKey = L"Software\\Victim";
constexpr const wchar_t* kVictimTarget = L"\\Registry\\Machine\\Software\\Victim";
// The action's limit for a service that does not stop; the tick count may run a little behind, and a loaded
// machine returns late.
constexpr ULONGLONG kStopTimeoutMs = 10000;
constexpr ULONGLONG kEarlyMs = 100;
constexpr ULONGLONG kLateMs = 5000;
// The exit code of a service the action had to end.
constexpr DWORD kEndedExitCode = ERROR_TIMEOUT;

class StopServiceAction : public testing::Test
{
  protected:
    void SetUp() override
    {
        // Stopping has nothing to do with sound: no audio driver, whatever an earlier test in this prefix
        // chose.
        SelectAudioDriver(L"");
        RegDeleteTreeW(HKEY_CURRENT_USER, kManufacturerKey);
        ASSERT_TRUE(m_dll) << "TellmarkSetup.dll cannot be loaded";
        ASSERT_NE(nullptr, m_action);
        const std::wstring package = test_support::FileFromEnvironment("TELLMARK_MSI");
        ASSERT_FALSE(package.empty()) << "TELLMARK_MSI is not set";
        MsiSetInternalUI(INSTALLUILEVEL_NONE, nullptr);
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiOpenPackageW(package.c_str(), m_session.Put()));
        // What the package gives it: the installed service.
        const std::wstring data = TestFolder() + L"TellmarkSvc.exe";
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS),
                  MsiSetPropertyW(m_session.Get(), L"CustomActionData", data.c_str()));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kManufacturerKey); }

    UINT Run() const { return m_action(m_session.Get()); }

    platform::UniqueModule m_dll{LoadLibraryW((TestFolder() + L"TellmarkSetup.dll").c_str())};
    CustomAction m_action = reinterpret_cast<CustomAction>(
        reinterpret_cast<void*>(GetProcAddress(m_dll.Get(), "StopTellmarkService")));
    UniqueMsiHandle m_session;
};

TEST_F(StopServiceAction, StopsTheRunningServiceOnRequestWhichClearsItsArea)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());

    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
    // Exit code 1: the service stopped through "StopService", and had ended by the time the action returned.
    EXPECT_EQ(service.WaitForExit(0), 1u);
    EXPECT_FALSE(KeyExists(kProductKey));
}

// What the action finds without a running service it leaves as it is: a service that ended without a stop
// request clears its area at its next start; what other products of the manufacturer keep there stays.
struct Leftover
{
    const char* name;
    void (*arrange)();
};

void Nothing() {}
void StaleArea()
{
    WriteNumber(kProductKey, L"NumberOfGadgetInstance", 0);
    WriteText(kStatusKey, L"VolumeLevel", L"0.500000");
}
void StaleAreaAndAnotherProduct()
{
    StaleArea();
    WriteNumber(kOtherProductKey, kSetting, 1);
}
void StaleAreaAndAManufacturerValue()
{
    StaleArea();
    WriteNumber(kManufacturerKey, kSetting, 1);
}

const std::vector<installer_tests::RegistryArea> kManufacturerArea = {
    {HKEY_CURRENT_USER, L"HKCU", kManufacturerKey}};

class StopServiceActionWithoutService : public StopServiceAction, public testing::WithParamInterface<Leftover>
{
};

TEST_P(StopServiceActionWithoutService, TouchesNothing)
{
    GetParam().arrange();
    const installer_tests::RegistrySnapshot before = installer_tests::SnapshotRegistry(kManufacturerArea);

    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
    EXPECT_EQ(before, installer_tests::SnapshotRegistry(kManufacturerArea));
}

INSTANTIATE_TEST_SUITE_P(Leftovers, StopServiceActionWithoutService,
                         testing::Values(Leftover{"Nothing", Nothing}, Leftover{"StaleArea", StaleArea},
                                         Leftover{"AnotherProduct", StaleAreaAndAnotherProduct},
                                         Leftover{"ManufacturerValue", StaleAreaAndAManufacturerValue}),
                         [](const testing::TestParamInfo<Leftover>& info) { return info.param.name; });

// A service that cannot be asked to stop must not keep an uninstall waiting for ever, nor its file in use.
TEST_F(StopServiceAction, EndsAServiceThatCannotBeAskedToStopAfterItsTimeLimit)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    ASSERT_TRUE(RefuseValueWrites(kProductKey));

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
    const ULONGLONG elapsed = GetTickCount64() - start;

    EXPECT_EQ(service.WaitForExit(0), kEndedExitCode);
    EXPECT_GE(elapsed, kStopTimeoutMs - kEarlyMs);
    EXPECT_LT(elapsed, kStopTimeoutMs + kLateMs);
    EXPECT_TRUE(KeyExists(kProductKey)) << "the ended service's area waits for its next start";
}

// The action runs as the system: a user who makes the service's key a link to a key of the machine must not
// get the stop request written, nor anything deleted, there. The service cannot be asked, so it is ended.
TEST_F(StopServiceAction, FollowsNoLinkInTheUsersRegistry)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, kVictimKey, kSetting, REG_SZ, L"kept", 10));
    {
        // The running service may recreate its key between its deletion and the link's creation.
        std::optional<RegistryLink> link;
        ASSERT_TRUE(WaitUntil(
            [&link]
            {
                link.reset();
                RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
                link.emplace(kProductKey, kVictimTarget);
                return ReadText(kProductKey, kSetting) == L"kept";
            }));
        // The service writes its status through the link too, the same each tick.
        ASSERT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"VolumeLevel").has_value(); }));
        const std::vector<installer_tests::RegistryArea> victim = {{HKEY_LOCAL_MACHINE, L"HKLM", kVictimKey}};
        const installer_tests::RegistrySnapshot before = installer_tests::SnapshotRegistry(victim);

        EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
        EXPECT_EQ(service.WaitForExit(0), kEndedExitCode);
        EXPECT_EQ(before, installer_tests::SnapshotRegistry(victim));
        EXPECT_TRUE(IsRegistryLink(kProductKey));
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kVictimKey);
}

} // namespace
