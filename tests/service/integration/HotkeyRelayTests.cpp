#include "tests/service/integration/HotkeyWindow.h"
#include "tests/service/integration/ServiceHarness.h"

#include <gtest/gtest.h>

namespace service::integration
{
namespace
{

TEST(HotkeyRelay, FanModeRequestWaitsForTheWindowAndIsPostedOnce)
{
    SelectAudioDriver(L"");
    const std::wstring log = TestFolder() + L"hotkey-window.log";
    DeleteFileW(log.c_str());
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    WriteNumber(kStatusKey, L"FanMode", 5);
    WriteNumber(kProductKey, L"PostMessage", 2);
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadNumber(kProductKey, L"PostMessage"), 2u) << "no window yet, so the request must wait";

    HotkeyWindow window(L"On Screen Display", log);
    ASSERT_TRUE(window.Shown());
    ASSERT_TRUE(WaitUntil([] { return ReadNumber(kProductKey, L"PostMessage") == 0u; }));
    ASSERT_TRUE(WaitUntil([&log] { return !ReadLines(log).empty(); }));
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadLines(log), (std::vector<std::string>{"2000 1 5"}));
}

} // namespace
} // namespace service::integration
