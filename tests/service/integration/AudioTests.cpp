#include "tests/service/integration/ServiceHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace service::integration
{
namespace
{

// Under LC_ALL=de_DE.UTF-8 Wine's user locale uses the decimal comma; the texts must not follow it.
void ExpectDecimalCommaWhenGermanLocaleAsked()
{
    wchar_t locale[64] = {};
    if (GetEnvironmentVariableW(L"LC_ALL", locale, 64) == 0 || std::wstring(locale).rfind(L"de_DE", 0) != 0)
    {
        return;
    }
    wchar_t separator[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    ASSERT_STREQ(separator, L",") << "the German user locale did not take effect";
}

class AudioWithoutDriver : public ::testing::Test
{
  protected:
    void SetUp() override { SelectAudioDriver(L""); }
};

TEST_F(AudioWithoutDriver, PublishesNaEveryTickAndLeavesMuteAlone)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    ASSERT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"VolumeLevel") == L"NA"; }));
    WriteText(kStatusKey, L"Mute", L"left alone");
    WriteText(kStatusKey, L"SetVolume", L"500000");

    for (int round = 0; round < 3; ++round)
    {
        DeleteValue(kStatusKey, L"VolumeLevel");
        EXPECT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"VolumeLevel") == L"NA"; }, 2000));
    }
    EXPECT_EQ(ReadText(kStatusKey, L"Mute"), L"left alone");
    EXPECT_EQ(ReadText(kStatusKey, L"SetVolume"), L"500000") << "no device, so the command is not consumed";
}

// The null ALSA device: a default output at full volume, not muted. Wine 8 refuses volume changes
// (E_NOTIMPL), so commands are observed only by their consumption.
class AudioNullDevice : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ExpectDecimalCommaWhenGermanLocaleAsked();
        SelectAudioDriver(L"alsa");
    }
    void TearDown() override { SelectAudioDriver(L""); }

    static bool Consumed()
    {
        return WaitUntil([] { return !SetVolumeRaw(); }, 3000);
    }
    static bool SetVolumeRaw()
    {
        DWORD size = 0;
        return RegGetValueW(HKEY_CURRENT_USER, kStatusKey, L"SetVolume", RRF_RT_ANY, nullptr, nullptr,
                            &size) == ERROR_SUCCESS;
    }
};

TEST_F(AudioNullDevice, PublishesFullVolumeUnmutedOnceWithAFullStop)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    ASSERT_TRUE(WaitUntil([] { return ReadText(kStatusKey, L"Mute").has_value(); }));
    EXPECT_EQ(ReadText(kStatusKey, L"VolumeLevel"), L"1.000000");
    EXPECT_EQ(ReadText(kStatusKey, L"Mute"), L"0");

    DeleteValue(kStatusKey, L"VolumeLevel");
    DeleteValue(kStatusKey, L"Mute");
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadText(kStatusKey, L"VolumeLevel"), std::nullopt) << "rewritten although unchanged";
    EXPECT_EQ(ReadText(kStatusKey, L"Mute"), std::nullopt) << "rewritten although unchanged";
}

// 1,000 characters of %A%, each expanding to 40 characters.
std::wstring ThousandCharactersOfExpansions()
{
    std::wstring text;
    while (text.size() + 3 <= 1000)
    {
        text += L"%A%";
    }
    return text + std::wstring(1000 - text.size(), L'%');
}

struct VolumeCommand
{
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    bool consumed;
};

class AudioNullDeviceCommand : public AudioNullDevice, public ::testing::WithParamInterface<VolumeCommand>
{
};

// REG_SZ texts that fit the 16-character buffer are consumed whatever they hold; longer ones and values of
// any other type stay untouched (and unapplied, which only the unit tests can see: Wine refuses the change).
TEST_P(AudioNullDeviceCommand, ConsumesReadableCommandsAndSurvivesTheRest)
{
    // For the expansions: the service inherits it.
    SetEnvironmentVariableW(L"A", std::wstring(40, L'a').c_str());
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    const VolumeCommand& command = GetParam();
    WriteRaw(kStatusKey, L"SetVolume", command.type, command.data.data(),
             static_cast<DWORD>(command.data.size()));

    if (command.consumed)
    {
        EXPECT_TRUE(Consumed());
    }
    else
    {
        Sleep(kSeveralTicksMs);
        EXPECT_TRUE(SetVolumeRaw());
        WriteText(kStatusKey, L"SetVolume", L"500000");
        EXPECT_TRUE(Consumed()) << "the loop must go on after an unreadable command";
    }
    EXPECT_TRUE(service.Running());
    EXPECT_EQ(ReadText(kStatusKey, L"VolumeLevel"), L"1.000000");
}

INSTANTIATE_TEST_SUITE_P(
    Values, AudioNullDeviceCommand,
    ::testing::Values(VolumeCommand{"Half", REG_SZ, TerminatedBytes(L"500000"), true},
                      VolumeCommand{"LeadingBlank", REG_SZ, TerminatedBytes(L" 500000"), true},
                      VolumeCommand{"FifteenDigits", REG_SZ, TerminatedBytes(L"123456789012345"), true},
                      VolumeCommand{"AsDword", REG_DWORD, {0x20, 0xA1, 0x07, 0x00}, false},
                      VolumeCommand{"AsExpandText", REG_EXPAND_SZ, TerminatedBytes(L"500000"), true},
                      VolumeCommand{"AsMultiText", REG_MULTI_SZ, TextBytes(L"500000\0\0", 16), true},
                      VolumeCommand{"AsBinaryText", REG_BINARY, TerminatedBytes(L"500000"), false},
                      VolumeCommand{"ThirtyTwoBytesUnterminated", REG_SZ, TextBytes(L"1234567890123456", 32),
                                    false},
                      VolumeCommand{"SixteenDigits", REG_SZ, TerminatedBytes(L"1234567890123456"), false},
                      VolumeCommand{"LongBinary", REG_BINARY, std::vector<BYTE>(100, 0x31), false},
                      // Expansions far longer than the buffer: too long, however the expansion is stored.
                      VolumeCommand{"ExpandingPath", REG_EXPAND_SZ, TerminatedBytes(L"%PATH%"), false},
                      VolumeCommand{"ThousandCharactersOfExpansions", REG_EXPAND_SZ,
                                    TerminatedBytes(ThousandCharactersOfExpansions().c_str()), false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace service::integration
