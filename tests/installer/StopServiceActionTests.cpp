#include <windows.h>
#include <msi.h>

#include <gtest/gtest.h>

#include "platform/UniqueHandle.h"
#include "service/InstanceMutex.h"
#include "tests/service/integration/ServiceHarness.h"

#include <thread>

// The package's StopTellmarkService custom action, called the way msiexec calls it, from TellmarkSetup.dll
// beside this program, against the real TellmarkSvc.exe.

namespace
{

using namespace service::integration;

using CustomAction = UINT(WINAPI*)(MSIHANDLE);

constexpr const wchar_t* kManufacturerKey = L"Software\\Quorvel";
constexpr const wchar_t* kOtherProductKey = L"Software\\Quorvel\\Other";
constexpr const wchar_t* kSetting = L"Setting";
// The action's limit for a service that does not stop; the tick count may run a little behind a wait's
// timeout, and a loaded machine returns late.
constexpr ULONGLONG kStopTimeoutMs = 10000;
constexpr ULONGLONG kEarlyMs = 100;
constexpr ULONGLONG kLateMs = 5000;

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
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kManufacturerKey); }

    UINT Run() const { return m_action(0); }

    platform::UniqueModule m_dll{LoadLibraryW((TestFolder() + L"TellmarkSetup.dll").c_str())};
    CustomAction m_action = reinterpret_cast<CustomAction>(
        reinterpret_cast<void*>(GetProcAddress(m_dll.Get(), "StopTellmarkService")));
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

// A service that holds its instance mutex but never stops must not keep an uninstall waiting for ever.
TEST_F(StopServiceAction, GivesUpOnAServiceThatDoesNotStopAfterItsTimeLimit)
{
    platform::UniqueHandleObject released(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    platform::UniqueHandleObject owned(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread hungService(
        [&]
        {
            const platform::UniqueHandleObject mutex(
                CreateMutexW(nullptr, TRUE, service::kInstanceMutexName));
            SetEvent(owned.Get());
            WaitForSingleObject(released.Get(), INFINITE);
            ReleaseMutex(mutex.Get());
        });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(owned.Get(), 10000));

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(static_cast<UINT>(ERROR_SUCCESS), Run());
    const ULONGLONG elapsed = GetTickCount64() - start;
    SetEvent(released.Get());
    hungService.join();

    EXPECT_GE(elapsed, kStopTimeoutMs - kEarlyMs);
    EXPECT_LT(elapsed, kStopTimeoutMs + kLateMs);
    EXPECT_FALSE(KeyExists(kProductKey)) << "the stop request is cleared with the area";
}

} // namespace
