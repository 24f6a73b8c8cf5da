#include "tests/service/unit/Fakes.h"

#include "service/PollingLoop.h"
#include "service/RegistrySchema.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace service::testing
{
namespace
{

size_t PositionOf(const Journal& journal, const std::wstring& entry)
{
    return static_cast<size_t>(std::find(journal.begin(), journal.end(), entry) - journal.begin());
}

TEST(PollingLoop, TickChecksStopThenAudioThenDisplayThenHotkeyThenPower)
{
    FakeSystem system;
    LoopState state;
    RunTick(state, system.platform);

    const Journal& journal = system.journal;
    const size_t stop = PositionOf(journal, L"read StopService");
    const size_t audio = PositionOf(journal, L"audio");
    const size_t display = PositionOf(journal, L"display");
    const size_t hotkey = PositionOf(journal, L"find Hotkey Manager");
    const size_t power = PositionOf(journal, L"read ExecShutdown");
    ASSERT_LT(power, journal.size());
    EXPECT_EQ(stop, 0u);
    EXPECT_LT(stop, audio);
    EXPECT_LT(audio, display);
    EXPECT_LT(display, hotkey);
    EXPECT_LT(hotkey, power);
}

struct StopCase
{
    const char* name;
    FakeRegistry::Value stored;
    bool present;
};

class PollingLoopStopFlag : public ::testing::TestWithParam<StopCase>
{
};

TEST_P(PollingLoopStopFlag, OnlyExactlyOneStops)
{
    FakeSystem system;
    if (GetParam().present)
    {
        system.registry.Set(schema::kProductKey, schema::kStopService, GetParam().stored);
    }
    LoopState state;
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);
    EXPECT_TRUE(system.registry.Has(schema::kStatusKey, schema::kDisplayOrientation));
}

INSTANTIATE_TEST_SUITE_P(Values, PollingLoopStopFlag,
                         ::testing::Values(StopCase{"Missing", DWORD{0}, false},
                                           StopCase{"Zero", DWORD{0}, true}, StopCase{"Two", DWORD{2}, true},
                                           StopCase{"AllBits", DWORD{0xFFFFFFFF}, true},
                                           StopCase{"TextOne", std::wstring(L"1"), true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PollingLoop, StopRequestErasesTheAreaAndSkipsPendingCommands)
{
    FakeSystem system;
    system.windows.windowsByTitle[L"Hotkey Manager"] = reinterpret_cast<HWND>(0x10);
    system.registry.Set(schema::kProductKey, schema::kStopService, DWORD{1});
    system.registry.Set(schema::kProductKey, schema::kExecShutdown, DWORD{2});
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{2});
    system.registry.Set(schema::kStatusKey, schema::kFanMode, DWORD{5});
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"500000");
    system.registry.Set(schema::kActivityKey, schema::kActivity, DWORD{1});
    LoopState state;

    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::StopRequested);

    EXPECT_TRUE(system.shell.launches.empty());
    EXPECT_TRUE(system.windows.posted.empty());
    EXPECT_TRUE(system.audio.levelsSet.empty());
    EXPECT_FALSE(system.registry.Has(schema::kProductKey, schema::kExecShutdown));
    EXPECT_FALSE(system.registry.Has(schema::kStatusKey, schema::kSetVolume));
    EXPECT_EQ(system.registry.Show(schema::kActivityKey, schema::kActivity), L"1");
    EXPECT_EQ(system.registry.WriteCount(), 0);
}

TEST(PollingLoop, PausesTheTickIntervalBetweenTicksAndExitsWithOneOnStop)
{
    FakeSystem system;
    system.sleeper.onPause = [&system](size_t pause)
    {
        if (pause == 3)
        {
            system.registry.Set(schema::kProductKey, schema::kStopService, DWORD{1});
        }
    };

    EXPECT_EQ(RunUntilStopped(system.platform), 1);

    EXPECT_EQ(system.sleeper.pauses, (std::vector<DWORD>{100, 100, 100}));
    EXPECT_EQ(std::count(system.journal.begin(), system.journal.end(), L"display"), 3);
}

} // namespace
} // namespace service::testing
