#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "tests/service/integration/ServiceHarness.h"
#include "tests/support/UnixPath.h"

#include <string>

// The package's StopTellmarkService custom action, called the way msiexec calls it, from TellmarkSetup.dll
// beside this program, in a session of the real package (TELLMARK_MSI) that gives it its CustomActionData as
// the package does, against the real TellmarkSvc.exe beside this program.

namespace
{

using namespace service::integration;

using CustomAction = UINT(WINAPI*)(MSIHANDLE);
using UniqueMsiHandle = platform::UniqueHandle<MSIHANDLE, &MsiCloseHandle>;

constexpr const wchar_t* kManufacturerKey = L"Software\\Quorvel";
constexpr const wchar_t* kOtherProductKey = L"Software\\Quorvel\\Other";
constexpr const wchar_t* kSetting = L"Setting";
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
        // What the package gives it: the installing user's SID and the installed service.
        wchar_t user[192];
        DWORD length = ARRAYSIZE(user);
        ASSERT_EQ(static_cast<UINT>(ERROR_SUCCESS), MsiGetPropertyW(m_session.Get(), L"UserSID", user, &length));
        const std::wstring data = std::wstring(user) + L";" + TestFolder() + L"TellmarkSvc.exe";
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

TEST_F(StopServiceAction, StopsTheRunningServiceOnRequestAndLeavesNoRegistryArea)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());

    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
    // Exit code 1: the service stopped through "StopService", and had ended by the time the action returned.
    EXPECT_EQ(service.WaitForExit(0), 1u);
    EXPECT_FALSE(KeyExists(kManufacturerKey));
}

// What the action finds without a running service, and what it leaves: a service that ended without a stop
// request leaves its area behind; what other products of the manufacturer keep there stays.
struct Leftover
{
    const char* name;
    void (*arrange)();
    const wchar_t* keptKey; // holds kSetting = 1 afterwards; nullptr: the manufacturer's key is gone
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

class StopServiceActionWithoutService : public StopServiceAction, public testing::WithParamInterface<Leftover>
{
};

TEST_P(StopServiceActionWithoutService, RemovesOnlyTheServicesArea)
{
    GetParam().arrange();

    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
    EXPECT_FALSE(KeyExists(kProductKey));
    if (GetParam().keptKey == nullptr)
    {
        EXPECT_FALSE(KeyExists(kManufacturerKey));
    }
    else
    {
        EXPECT_EQ(ReadNumber(GetParam().keptKey, kSetting), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Leftovers, StopServiceActionWithoutService,
    testing::Values(Leftover{"Nothing", Nothing, nullptr}, Leftover{"StaleArea", StaleArea, nullptr},
                    Leftover{"AnotherProduct", StaleAreaAndAnotherProduct, kOtherProductKey},
                    Leftover{"ManufacturerValue", StaleAreaAndAManufacturerValue, kManufacturerKey}),
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
    EXPECT_FALSE(KeyExists(kProductKey)) << "the ended service's area is cleared";
}

} // namespace
