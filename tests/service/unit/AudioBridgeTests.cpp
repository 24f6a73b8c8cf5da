#include "tests/service/unit/Fakes.h"

#include "service/AudioBridge.h"
#include "service/RegistrySchema.h"

#include <gtest/gtest.h>

namespace service::testing
{
namespace
{

class AudioBridge : public ::testing::Test
{
  protected:
    std::wstring Status(const wchar_t* name) const { return system.registry.Show(schema::kStatusKey, name); }
    // Runs one tick of the bridge and tells how many registry writes it made.
    int Tick()
    {
        const int before = system.registry.WriteCount();
        RunAudioBridge(state, system.platform);
        return system.registry.WriteCount() - before;
    }

    FakeSystem system;
    LoopState state;
};

struct SetVolumeCase
{
    const char* name;
    const wchar_t* command;
    float levelAsked;
    const wchar_t* published;
};

class AudioBridgeSetVolume : public AudioBridge, public ::testing::WithParamInterface<SetVolumeCase>
{
};

TEST_P(AudioBridgeSetVolume, AppliesTheCommandDeletesItAndPublishesInTheSameTick)
{
    system.audio.level = 1.0f;
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, GetParam().command);

    Tick();

    ASSERT_EQ(system.audio.levelsSet.size(), 1u);
    EXPECT_FLOAT_EQ(system.audio.levelsSet[0], GetParam().levelAsked);
    EXPECT_FALSE(system.registry.Has(schema::kStatusKey, schema::kSetVolume));
    EXPECT_EQ(Status(schema::kVolumeLevel), GetParam().published);
}

INSTANTIATE_TEST_SUITE_P(Texts, AudioBridgeSetVolume,
                         ::testing::Values(SetVolumeCase{"Half", L"500000", 0.5f, L"0.500000"},
                                           SetVolumeCase{"NotANumber", L"abc", 0.0f, L"0.000000"},
                                           SetVolumeCase{"NanWord", L"nan", 0.0f, L"0.000000"},
                                           SetVolumeCase{"InfinityWord", L"inf", 0.0f, L"0.000000"},
                                           SetVolumeCase{"TwiceFullRefused", L"2000000", 2.0f, L"1.000000"},
                                           SetVolumeCase{"FifteenDigitsRefused", L"123456789012345",
                                                         123456789.012345f, L"1.000000"},
                                           SetVolumeCase{"LeadingBlanks", L" \t250000", 0.25f, L"0.250000"},
                                           SetVolumeCase{"TrailingGarbage", L"750000xyz", 0.75f, L"0.750000"},
                                           SetVolumeCase{"Exponent", L"1e5", 0.1f, L"0.100000"},
                                           SetVolumeCase{"DecimalCommaStops", L"300000,9", 0.3f, L"0.300000"},
                                           SetVolumeCase{"NegativeRefused", L"-500000", -0.5f, L"1.000000"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioBridge, SetVolumeTooLongToReadIsNeitherAppliedNorDeleted)
{
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"0000000000500000");
    Tick();
    Tick();
    EXPECT_TRUE(system.audio.levelsSet.empty());
    EXPECT_EQ(Status(schema::kSetVolume), L"0000000000500000");
}

// Only a deleted command is applied: while the key refuses the deletion, the level is not forced back over
// the user's own changes on every tick; once the key takes writes, it is applied once.
TEST_F(AudioBridge, SetVolumeWhoseDeletionIsRefusedWaitsThenIsAppliedOnce)
{
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"500000");
    system.registry.RefuseValueWrites(schema::kStatusKey);
    Tick();
    Tick();
    EXPECT_TRUE(system.audio.levelsSet.empty());

    system.registry.RefuseValueWrites(schema::kStatusKey, false);
    Tick();
    Tick();
    EXPECT_EQ(system.audio.levelsSet, (std::vector<float>{0.5f}));
    EXPECT_FALSE(system.registry.Has(schema::kStatusKey, schema::kSetVolume));
}

// The same bytes under another type than REG_SZ.
StoredValue Retyped(DWORD type, const wchar_t* text)
{
    return {type, TextValue(text).data};
}

struct UnreadableCase
{
    const char* name;
    StoredValue stored;
};

class AudioBridgeUnreadableSetVolume : public AudioBridge,
                                       public ::testing::WithParamInterface<UnreadableCase>
{
};

// A command the text read refuses is never applied and stays for the gadget to see, while the status goes on.
TEST_P(AudioBridgeUnreadableSetVolume, IsNeitherAppliedNorDeleted)
{
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, GetParam().stored);
    Tick();
    Tick();
    EXPECT_TRUE(system.audio.levelsSet.empty());
    EXPECT_EQ(system.registry.Raw(schema::kStatusKey, schema::kSetVolume), GetParam().stored);
    EXPECT_EQ(Status(schema::kVolumeLevel), L"1.000000");
}

INSTANTIATE_TEST_SUITE_P(
    Values, AudioBridgeUnreadableSetVolume,
    ::testing::Values(UnreadableCase{"Dword", NumberValue(500000)},
                      UnreadableCase{"BinaryText", Retyped(REG_BINARY, L"500000")},
                      UnreadableCase{"LongBinary", StoredValue{REG_BINARY, std::vector<BYTE>(100, 0x31)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AudioBridge, PublishesOnlyChanges)
{
    EXPECT_EQ(Tick(), 2);
    EXPECT_EQ(Status(schema::kVolumeLevel), L"1.000000");
    EXPECT_EQ(Status(schema::kMute), L"0");
    EXPECT_EQ(Tick(), 0);

    system.audio.muted = TRUE;
    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(Status(schema::kMute), L"1");

    system.audio.level = 0.3f;
    EXPECT_EQ(Tick(), 1) << "a level change while muted is still published";
    EXPECT_EQ(Status(schema::kVolumeLevel), L"0.300000");

    system.audio.muted = FALSE;
    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(Status(schema::kMute), L"0");
}

TEST_F(AudioBridge, WithoutDefaultDeviceWritesNaEveryTickAndLeavesMuteAndCommandAlone)
{
    Tick();
    system.audio.result = platform::AudioEndpointResult::NoDefaultDevice;
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"500000");

    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(Status(schema::kVolumeLevel), L"NA");
    EXPECT_EQ(Status(schema::kMute), L"0");
    EXPECT_EQ(Status(schema::kSetVolume), L"500000");

    // Back with the same level and mute state: only the level is published afresh.
    system.audio.result = platform::AudioEndpointResult::Used;
    system.registry.Set(schema::kStatusKey, schema::kSetVolume, L"1000000");
    EXPECT_EQ(Tick(), 1);
    EXPECT_EQ(Status(schema::kVolumeLevel), L"1.000000");
}

TEST_F(AudioBridge, UnreachableAudioSystemPublishesNothing)
{
    system.audio.result = platform::AudioEndpointResult::Unavailable;
    EXPECT_EQ(Tick(), 0);
    EXPECT_FALSE(system.registry.Has(schema::kStatusKey, schema::kVolumeLevel));
}

TEST_F(AudioBridge, FailedReadingsPublishTheirPresets)
{
    system.audio.readingsFail = true;
    system.audio.level = 0.7f;
    system.audio.muted = TRUE;
    Tick();
    EXPECT_EQ(Status(schema::kVolumeLevel), L"0.000000");
    EXPECT_EQ(Status(schema::kMute), L"0");
}

} // namespace
} // namespace service::testing
