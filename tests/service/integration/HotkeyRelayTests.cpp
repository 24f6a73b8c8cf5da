#include "tests/service/integration/ServiceHarness.h"

#include <gtest/gtest.h>

namespace service::integration
{
namespace
{

// The test's stand-in for the hotkey program: a window with the given title that logs relay messages.
class HotkeyWindow
{
  public:
    HotkeyWindow(const wchar_t* title, const std::wstring& log)
        : m_process(
              StartProgram(L"\"" + TestFolder() + L"HotkeyWindow.exe\" \"" + title + L"\" \"" + log + L"\""))
    {
        m_shown = WaitUntil([title] { return FindWindowW(nullptr, title) != nullptr; });
    }
    HotkeyWindow(const HotkeyWindow&) = delete;
    HotkeyWindow& operator=(const HotkeyWindow&) = delete;
    ~HotkeyWindow()
    {
        if (m_process)
        {
            TerminateProcess(m_process.Get(), 0);
            WaitForSingleObject(m_process.Get(), 5000);
        }
    }

    bool Shown() const { return m_shown; }

  private:
    platform::UniqueHandleObject m_process;
    bool m_shown = false;
};

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
