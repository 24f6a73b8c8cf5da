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
    std::optional<StoredValue> stored;
};

class StartUpActivity : public ::testing::TestWithParam<ActivityCase>
{
};

// The value belongs to the system: only its absence is mended, and whatever is there stays byte for byte.
TEST_P(StartUpActivity, IsCreatedAsZeroOnlyWhenAbsent)
{
    FakeSystem system;
    if (GetParam().stored)
    {
        system.registry.Set(schema::kActivityKey, schema::kActivity, *GetParam().stored);
    }
    ResetRegistryArea(system.registry);
    EXPECT_EQ(system.registry.Raw(schema::kActivityKey, schema::kActivity),
              GetParam().stored.value_or(NumberValue(0)));
}

INSTANTIATE_TEST_SUITE_P(
    Values, StartUpActivity,
    ::testing::Values(ActivityCase{"Missing", std::nullopt}, ActivityCase{"One", NumberValue(1)},
                      ActivityCase{"Seven", NumberValue(7)},
                      // Too long for a number read, which fails: the value exists all the same.
                      ActivityCase{"Qword", StoredValue{REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}}},
                      ActivityCase{"Text", TextValue(L"12")},
                      ActivityCase{"LongBinary", StoredValue{REG_BINARY, {1, 2, 3, 4, 5, 6}}},
                      ActivityCase{"OneByteBinary", StoredValue{REG_BINARY, {9}}},
                      ActivityCase{"Empty", StoredValue{REG_NONE, {}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace service::testing
