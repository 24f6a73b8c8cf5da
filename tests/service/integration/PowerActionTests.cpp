#include "tests/service/integration/HotkeyWindow.h"
#include "tests/service/integration/ServiceHarness.h"

#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace service::integration
{
namespace
{

// Wine resolves a bare "shutdown.exe" to the prefix's system folder before anything else, and its own
// builtin really runs. The test runner forces native loading for that name; the test recorder is copied
// over the system's copy, so only the recorder can ever be started.
class PowerActions : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        wchar_t system[MAX_PATH];
        GetSystemDirectoryW(system, MAX_PATH);
        s_log = std::wstring(system) + L"\\shutdown-recorder.log";
        const std::wstring target = std::wstring(system) + L"\\shutdown.exe";
        s_installed =
            CopyFileW((TestFolder() + L"recorder\\shutdown.exe").c_str(), target.c_str(), FALSE) != 0;
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_installed) << "the recorder could not replace the system's shutdown.exe";
        SelectAudioDriver(L"");
        DeleteFileW(s_log.c_str());
        // Prove the recorder answers to the bare name before any power command is sent.
        ShellExecuteW(nullptr, L"open", L"shutdown.exe", L"/probe", nullptr, SW_HIDE);
        ASSERT_TRUE(WaitUntil([] { return !ReadLines(s_log).empty(); }));
        ASSERT_EQ(ReadLines(s_log), (std::vector<std::string>{"/probe|hidden"}));
        DeleteFileW(s_log.c_str());
    }

    static inline std::wstring s_log;
    static inline bool s_installed = false;
};

struct PowerCase
{
    const char* name;
    DWORD command;
    const char* recorded;
};

class PowerActionsLaunch : public PowerActions, public ::testing::WithParamInterface<PowerCase>
{
};

TEST_P(PowerActionsLaunch, StartsShutdownHiddenOnceAndResetsTheCommand)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    WriteNumber(kProductKey, L"ExecShutdown", GetParam().command);

    ASSERT_TRUE(WaitUntil([] { return !ReadLines(s_log).empty(); }));
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadLines(s_log), (std::vector<std::string>{GetParam().recorded}));
    EXPECT_EQ(ReadNumber(kProductKey, L"ExecShutdown"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Actions, PowerActionsLaunch,
                         ::testing::Values(PowerCase{"LogOff", 1, "/l|hidden"},
                                           PowerCase{"ShutDown", 2, "/s|hidden"},
                                           PowerCase{"Restart", 3, "/r|hidden"},
                                           PowerCase{"Hibernate", 4, "/h|hidden"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PowerActions, UnknownCommandStaysAndStartsNothing)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    WriteNumber(kProductKey, L"ExecShutdown", 7);
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadNumber(kProductKey, L"ExecShutdown"), 7u);
    EXPECT_TRUE(ReadLines(s_log).empty());
}

// A power action left by an earlier run is dropped at start-up even when the product key cannot be deleted.
TEST_F(PowerActions, StaleCommandInAnAreaThatCannotBeDeletedStartsNothing)
{
    WriteNumber(kProductKey, L"ExecShutdown", 2);
    {
        UndeletableSubkey blocker(std::wstring(kProductKey) + L"\\Blocker");
        ServiceProcess service;
        ASSERT_TRUE(service.WaitUntilTicking());
        Sleep(kSeveralTicksMs);

        ASSERT_TRUE(blocker.Exists()) << "the area was deleted after all: the test proves nothing";
        EXPECT_TRUE(ReadLines(s_log).empty());
        EXPECT_EQ(ReadNumber(kProductKey, L"ExecShutdown"), std::nullopt);
        EXPECT_EQ(service.StopOnRequest(), 1u);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
}

// Commands in a key that refuses their reset wait, and are carried out once when it takes writes again; the
// refusal is reported once, not on every tick.
TEST_F(PowerActions, CommandsWhoseResetIsRefusedActOnceTheKeyTakesWrites)
{
    const std::wstring hotkeyLog = TestFolder() + L"hotkey-window.log";
    DeleteFileW(hotkeyLog.c_str());
    HotkeyWindow window(L"Hotkey Manager", hotkeyLog);
    ASSERT_TRUE(window.Shown());
    ServiceProcess service(true);
    ASSERT_TRUE(service.WaitUntilTicking());
    WriteNumber(kStatusKey, L"FanMode", 5);
    // The gadget's own handle, opened before the key refuses writes.
    platform::UniqueRegKey gadget;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_SET_VALUE, gadget.Put()), ERROR_SUCCESS);
    ASSERT_TRUE(RefuseValueWrites(kProductKey));
    const DWORD command = 2;
    for (const wchar_t* name : {L"ExecShutdown", L"PostMessage"})
    {
        RegSetValueExW(gadget.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&command),
                       sizeof(command));
    }

    Sleep(3000);
    EXPECT_TRUE(ReadLines(s_log).empty());
    EXPECT_TRUE(ReadLines(hotkeyLog).empty());
    EXPECT_EQ(ReadNumber(kProductKey, L"ExecShutdown"), 2u);

    ASSERT_TRUE(RefuseValueWrites(kProductKey, false));
    ASSERT_TRUE(
        WaitUntil([&hotkeyLog] { return !ReadLines(s_log).empty() && !ReadLines(hotkeyLog).empty(); }));
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadLines(s_log), (std::vector<std::string>{"/s|hidden"}));
    EXPECT_EQ(ReadLines(hotkeyLog), (std::vector<std::string>{"2000 1 5"}));
    EXPECT_EQ(ReadNumber(kProductKey, L"PostMessage"), 0u);
    ASSERT_EQ(service.StopOnRequest(), 1u);
    const std::vector<std::string> lines = debug_trace::Lines(service.Id());
    for (const char* refused :
         {"WriteNumber: ExecShutdown: 0x80070005", "WriteNumber: PostMessage: 0x80070005"})
    {
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [refused](const std::string& line)
                                { return line.find(refused) != std::string::npos; }),
                  1)
            << refused;
    }
}

} // namespace
} // namespace service::integration
