#include "tests/service/unit/Fakes.h"

#include "service/PollingLoop.h"
#include "service/RegistrySchema.h"
#include "service/StartUp.h"

#include <gtest/gtest.h>

namespace service::testing
{
namespace
{

TEST(StartUp, ErasesWhatAnEarlierRunLeftWithoutActingOnIt)
{
    FakeSystem system;
    system.registry.Set(schema::kProductKey, schema::kStopService, DWORD{1});
    system.registry.Set(schema::kProductKey, schema::kExecShutdown, DWORD{2});
    system.registry.Set(schema::kProductKey, schema::kNumberOfGadgetInstance, DWORD{3});
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"500000");
    system.registry.Set(schema::kStatusKey, schema::kMute, L"1");

    ResetRegistryArea(system.registry);
    LoopState state;
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);

    EXPECT_EQ(system.registry.Show(schema::kProductKey, schema::kNumberOfGadgetInstance), L"0");
    EXPECT_FALSE(system.registry.Has(schema::kProductKey, schema::kStopService));
    EXPECT_FALSE(system.registry.Has(schema::kStatusKey, schema::kSetVolume));
    EXPECT_TRUE(system.audio.levelsSet.empty());
    EXPECT_TRUE(system.shell.launches.empty());
    EXPECT_EQ(system.registry.Show(schema::kStatusKey, schema::kMute), L"0") << "published afresh";
}

// Something in the product key refuses deletion: the commands of the earlier run must go all the same.
TEST(StartUp, DropsStaleCommandsUnappliedWhenTheAreaCannotBeDeleted)
{
    FakeSystem system;
    system.windows.windowsByTitle[L"Hotkey Manager"] = reinterpret_cast<HWND>(0x10);
    system.registry.RefuseDeletion(std::wstring(schema::kProductKey) + L"\\Blocker");
    system.registry.Set(schema::kProductKey, schema::kStopService, DWORD{1});
    system.registry.Set(schema::kProductKey, schema::kExecShutdown, DWORD{2});
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{2});
    system.registry.Set(schema::kProductKey, schema::kNumberOfGadgetInstance, DWORD{3});
    system.registry.Set(schema::kStatusKey, schema::kFanMode, DWORD{5});
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"500000");

    ResetRegistryArea(system.registry);
    LoopState state;
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);
    EXPECT_EQ(RunTick(state, system.platform), TickOutcome::KeepRunning);

    EXPECT_TRUE(system.registry.Has(schema::kStatusKey, schema::kDisplayOrientation));
    EXPECT_EQ(system.registry.Show(schema::kProductKey, schema::kNumberOfGadgetInstance), L"0");
    for (const schema::CommandValue& command : schema::kCommandValues)
    {
        EXPECT_FALSE(system.registry.Has(command.key, command.name)) << command.name;
    }
    EXPECT_TRUE(system.audio.levelsSet.empty());
    EXPECT_TRUE(system.windows.posted.empty());
    EXPECT_TRUE(system.shell.launches.empty());
}

struct ActivityCase
{
    const char* name;
    bool present;
    DWORD stored;
    const wchar_t* expected;
};

class StartUpActivity : public ::testing::TestWithParam<ActivityCase>
{
};

TEST_P(StartUpActivity, IsCreatedAsZeroOnlyWhenMissing)
{
    FakeSystem system;
    if (GetParam().present)
    {
        system.registry.Set(schema::kActivityKey, schema::kActivity, GetParam().stored);
    }
    ResetRegistryArea(system.registry);
    EXPECT_EQ(system.registry.Show(schema::kActivityKey, schema::kActivity), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, StartUpActivity,
                         ::testing::Values(ActivityCase{"Missing", false, 0, L"0"},
                                           ActivityCase{"One", true, 1, L"1"},
                                           ActivityCase{"Seven", true, 7, L"7"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace service::testing
