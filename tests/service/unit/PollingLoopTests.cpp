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
    StoredValue stored;
    bool present;
    bool stops;
};

class PollingLoopStopFlag : public ::testing::TestWithParam<StopCase>
{
};

// The stop flag is read as a number: the first four bytes of a value of at most 4 bytes, whatever its type.
TEST_P(PollingLoopStopFlag, OnlyExactlyOneStops)
{
    FakeSystem system;
    if (GetParam().present)
    {
        system.registry.Set(schema::kProductKey, schema::kStopService, GetParam().stored);
    }
    LoopState state;
    if (GetParam().stops)
    {
        EXPECT_EQ(RunTick(state, system.platform), TickOutcome::StopRequested);
        EXPECT_FALSE(system.registry.Has(schema::kProductKey, schema::kStopService));
        return;
    }
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);
    EXPECT_TRUE(system.registry.Has(schema::kStatusKey, schema::kDisplayOrientation));
    EXPECT_EQ(system.registry.Raw(schema::kProductKey, schema::kStopService),
              GetParam().present ? std::optional(GetParam().stored) : std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PollingLoopStopFlag,
    ::testing::Values(StopCase{"Missing", NumberValue(0), false, false},
                      StopCase{"Zero", NumberValue(0), true, false},
                      StopCase{"Two", NumberValue(2), true, false},
                      StopCase{"AllBits", NumberValue(0xFFFFFFFF), true, false},
                      // "1" is stored as the bytes 31 00 00 00: the number 0x31.
                      StopCase{"TextOne", TextValue(L"1"), true, false},
                      StopCase{"QwordOne", {REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}}, true, false},
                      StopCase{"EmptyBinary", {REG_BINARY, {}}, true, false},
                      StopCase{"DwordOne", NumberValue(1), true, true},
                      StopCase{"OneByteBinaryOne", {REG_BINARY, {1}}, true, true},
                      StopCase{"TextOfCodeOne", {REG_SZ, {1, 0, 0, 0}}, true, true}),
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
