#include <windows.h>

#include <gtest/gtest.h>

#include "tests/service/integration/HotkeyWindow.h"
#include "tests/service/integration/ServiceHarness.h"
#include "tests/support/ComponentRegistration.h"
#include "tests/support/GadgetClient.h"
#include "tests/support/Process.h"
#include "tests/support/RegistryKeys.h"
#include "tests/support/UnixPath.h"

#include <string>
#include <vector>

// The sample gadget clients in examples/gadget run by cscript against Voltwise.dll registered per machine
// with regsvr32 and the running TellmarkSvc.exe, as a gadget author runs them. VOLTWISE_DLL and
// GADGET_EXAMPLES name the built DLL and the examples folder (Unix paths, reached through drive Z:).

namespace
{

using namespace service::integration;
using test_support::ExpectedBatteryLine;
using test_support::FileFromEnvironment;
using test_support::kComponentClassKey;
using test_support::kGadgetStatus;
using test_support::ProcessResult;
using test_support::Quoted;
using test_support::RunProcess;
using test_support::SplitLines;

class SampleClient : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_dll.empty()) << "VOLTWISE_DLL is not set";
        ASSERT_FALSE(m_examples.empty()) << "GADGET_EXAMPLES is not set";
        ASSERT_EQ(0u, RunProcess(L"regsvr32.exe /s " + Quoted(m_dll)).exitCode);
        ASSERT_TRUE(test_support::KeyExists(HKEY_CLASSES_ROOT, kComponentClassKey));
    }

    void TearDown() override
    {
        EXPECT_EQ(0u, RunProcess(L"regsvr32.exe /s /u " + Quoted(m_dll)).exitCode);
        EXPECT_FALSE(test_support::KeyExists(HKEY_CLASSES_ROOT, kComponentClassKey));
    }

    ProcessResult RunScript(const wchar_t* name, const wchar_t* arguments = L"") const
    {
        return test_support::RunGadgetScript(m_examples, name, arguments);
    }

    std::wstring m_dll = FileFromEnvironment("VOLTWISE_DLL");
    std::wstring m_examples = FileFromEnvironment("GADGET_EXAMPLES");
};

TEST_F(SampleClient, GadgetShowsStatusAndTheServiceCarriesOutItsCommands)
{
    SelectAudioDriver(L"alsa");
    const std::wstring log = TestFolder() + L"gadget-hotkey-window.log";
    DeleteFileW(log.c_str());
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    HotkeyWindow window(L"Hotkey Manager", log);
    ASSERT_TRUE(window.Shown());

    const ProcessResult result = RunScript(L"gadget.js", L" 2");
    EXPECT_EQ(0u, result.exitCode) << result.output;
    // Wine cannot change the master volume (SetMasterVolumeLevelScalar is not implemented), so the level the
    // service publishes stays at the null device's 1.000000 after the SetVolume command.
    const std::string live = std::string(kGadgetStatus) + "  PostMessage 0";
    EXPECT_EQ(SplitLines(result.output), (std::vector<std::string>{
                                             ExpectedBatteryLine(),
                                             std::string("Status:  ") + kGadgetStatus,
                                             "Sent:    SetVolume 500000 (half volume)",
                                             "Sent:    PostMessage 2 (fan mode) with FanMode 5",
                                             "[1s]    " + live,
                                             "[2s]    " + live,
                                         }));

    EXPECT_FALSE(ReadText(kStatusKey, L"SetVolume").has_value()) << "SetVolume was not consumed";
    EXPECT_EQ(ReadNumber(kProductKey, L"PostMessage"), 0u);
    ASSERT_TRUE(WaitUntil([&log] { return !ReadLines(log).empty(); }));
    EXPECT_EQ(ReadLines(log), (std::vector<std::string>{"2000 1 5"}));

    EXPECT_EQ(service.StopOnRequest(), 1u);
    EXPECT_FALSE(KeyExists(kProductKey));
}

TEST_F(SampleClient, GadgetSaysSoWhenTheServiceIsNotRunning)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
    const ProcessResult result = RunScript(L"gadget.js", L" 1");
    EXPECT_EQ(1u, result.exitCode);
    EXPECT_EQ(SplitLines(result.output), (std::vector<std::string>{
                                             ExpectedBatteryLine(),
                                             "TellmarkSvc.exe publishes no status: is it running?",
                                         }));
}

TEST_F(SampleClient, VbScriptCallPrintsTheBatteryLine)
{
    const ProcessResult result = RunScript(L"battery.vbs");
    EXPECT_EQ(0u, result.exitCode);
    EXPECT_EQ(SplitLines(result.output), std::vector<std::string>{ExpectedBatteryLine()});
}

} // namespace
