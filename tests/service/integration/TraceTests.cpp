#include "tests/service/integration/ServiceHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

// What the real service leaves in its debug output, read the way Wine shows it (WINEDEBUG=+debugstr).
namespace service::integration
{
namespace
{

using testing::ElementsAre;
using testing::MatchesRegex;

const std::string kStopped = "TellmarkSvc.exe: stopped on request";

std::string Started(const ServiceProcess& service)
{
    return "TellmarkSvc.exe: started, version 2.0.0.34, process " + std::to_string(service.Id());
}

class ServiceTrace : public testing::Test
{
  protected:
    void TearDown() override { SelectAudioDriver(L""); }
};

// Without an audio driver "NA" is written on every tick: a state of the machine, not a failure.
TEST_F(ServiceTrace, AnIdleServiceSaysOnlyThatItStartedAndStopped)
{
    SelectAudioDriver(L"");
    ServiceProcess service(true);
    ASSERT_TRUE(service.WaitUntilTicking());
    Sleep(3 * kSeveralTicksMs);
    ASSERT_EQ(service.StopOnRequest(), 1u);
    EXPECT_THAT(debug_trace::Lines(service.Id()), ElementsAre(Started(service), kStopped));
}

TEST_F(ServiceTrace, ASecondInstanceSaysItExits)
{
    ServiceProcess first;
    ASSERT_TRUE(first.WaitUntilTicking());
    ServiceProcess second(true);
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_THAT(debug_trace::Lines(second.Id()),
                ElementsAre("TellmarkSvc.exe: another instance runs in this session; exiting"));
}

// A REG_DWORD "SetVolume" is refused on every tick while it stays: one line when that starts, one when it
// ends.
TEST_F(ServiceTrace, ARefusedCommandValueLeavesOneLineWhileItStaysAndOneWhenItGoes)
{
    SelectAudioDriver(L"alsa");
    ServiceProcess service(true);
    ASSERT_TRUE(service.WaitUntilTicking());
    WriteNumber(kStatusKey, L"SetVolume", 500000);
    Sleep(3 * kSeveralTicksMs);
    DeleteValue(kStatusKey, L"SetVolume");
    Sleep(kSeveralTicksMs);
    ASSERT_EQ(service.StopOnRequest(), 1u);

    const std::string site = "TellmarkSvc\\.exe: platform/Registry\\.cpp\\(\\d+\\) in ReadText: SetVolume: ";
    EXPECT_THAT(debug_trace::Lines(service.Id()),
                ElementsAre(Started(service), MatchesRegex(site + "0x8007065E .+"),
                            MatchesRegex(site + "no longer failing, was 0x8007065E .+"), kStopped));
}

} // namespace
} // namespace service::integration
