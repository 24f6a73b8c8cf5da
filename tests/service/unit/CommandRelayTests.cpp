#include "tests/service/unit/Fakes.h"

#include "service/CommandRelay.h"
#include "service/RegistrySchema.h"

#include <gtest/gtest.h>

namespace service::testing
{
namespace
{

const HWND kHotkeyManager = reinterpret_cast<HWND>(0x100);
const HWND kOnScreenDisplay = reinterpret_cast<HWND>(0x200);
const HWND kKoreanTitled = reinterpret_cast<HWND>(0x300);
const wchar_t* const kKoreanTitle = L"\uB2E8\uCD95\uD0A4 \uC801\uC6A9 \uBCF4\uAE30 \uBC0F \uD65C\uC6A9";

class CommandRelay : public ::testing::Test
{
  protected:
    std::wstring Product(const wchar_t* name) const
    {
        return system.registry.Show(schema::kProductKey, name);
    }
    void Tick() { RunCommandRelay(system.platform); }

    FakeSystem system;
};

struct HotkeyCase
{
    const char* name;
    DWORD command;
    const wchar_t* argument;
    WPARAM kind;
};

class CommandRelayHotkey : public CommandRelay, public ::testing::WithParamInterface<HotkeyCase>
{
};

TEST_P(CommandRelayHotkey, PostsTheRequestWithItsArgumentZeroExtendedAndResetsIt)
{
    system.windows.windowsByTitle[L"Hotkey Manager"] = kHotkeyManager;
    system.registry.Set(schema::kProductKey, schema::kPostMessage, GetParam().command);
    system.registry.Set(schema::kStatusKey, GetParam().argument, DWORD{0xFFFFFFFF});

    Tick();
    Tick();

    EXPECT_EQ(system.windows.posted,
              (std::vector<PostedMessage>{{kHotkeyManager, 2000, GetParam().kind, LPARAM{0xFFFFFFFF}}}));
    EXPECT_EQ(Product(schema::kPostMessage), L"0");
}

INSTANTIATE_TEST_SUITE_P(Requests, CommandRelayHotkey,
                         ::testing::Values(HotkeyCase{"Touchpad", 1, schema::kTouchpad, 0},
                                           HotkeyCase{"FanMode", 2, schema::kFanMode, 1},
                                           HotkeyCase{"VibMode", 3, schema::kVibMode, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandRelay, HotkeyRequestWaitsForTheWindow)
{
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{2});
    system.registry.Set(schema::kStatusKey, schema::kFanMode, DWORD{5});
    Tick();
    Tick();
    EXPECT_TRUE(system.windows.posted.empty());
    EXPECT_EQ(Product(schema::kPostMessage), L"2");

    system.windows.windowsByTitle[L"On Screen Display"] = kOnScreenDisplay;
    Tick();
    EXPECT_EQ(system.windows.posted, (std::vector<PostedMessage>{{kOnScreenDisplay, 2000, 1, 5}}));
    EXPECT_EQ(Product(schema::kPostMessage), L"0");
}

TEST_F(CommandRelay, TitlesAreTriedInOrder)
{
    system.windows.windowsByTitle[kKoreanTitle] = kKoreanTitled;
    system.windows.windowsByTitle[L"On Screen Display"] = kOnScreenDisplay;
    system.windows.windowsByTitle[L"Hotkey Manager"] = kHotkeyManager;
    system.registry.Set(schema::kStatusKey, schema::kVibMode, DWORD{1});
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{3});
    Tick();
    system.windows.windowsByTitle.erase(L"Hotkey Manager");
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{3});
    Tick();
    system.windows.windowsByTitle.erase(L"On Screen Display");
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{3});
    Tick();

    ASSERT_EQ(system.windows.posted.size(), 3u);
    EXPECT_EQ(system.windows.posted[0].window, kHotkeyManager);
    EXPECT_EQ(system.windows.posted[1].window, kOnScreenDisplay);
    EXPECT_EQ(system.windows.posted[2].window, kKoreanTitled);
}

TEST_F(CommandRelay, RequestWithoutArgumentStaysPending)
{
    system.windows.windowsByTitle[L"Hotkey Manager"] = kHotkeyManager;
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{1});
    Tick();
    Tick();
    EXPECT_TRUE(system.windows.posted.empty());
    EXPECT_EQ(Product(schema::kPostMessage), L"1");
}

TEST_F(CommandRelay, UnknownCommandsStayUntouched)
{
    system.windows.windowsByTitle[L"Hotkey Manager"] = kHotkeyManager;
    system.registry.Set(schema::kProductKey, schema::kPostMessage, DWORD{4});
    system.registry.Set(schema::kProductKey, schema::kExecShutdown, DWORD{7});
    system.registry.Set(schema::kStatusKey, schema::kTouchpad, DWORD{1});
    Tick();
    Tick();
    EXPECT_TRUE(system.windows.posted.empty());
    EXPECT_TRUE(system.shell.launches.empty());
    EXPECT_EQ(Product(schema::kPostMessage), L"4");
    EXPECT_EQ(Product(schema::kExecShutdown), L"7");
    EXPECT_EQ(system.registry.WriteCount(), 0);
}

// Commands and arguments are read as numbers: the first four bytes of a value of at most 4 bytes, whatever
// its type; longer values cannot be read.
struct ArgumentTypeCase
{
    const char* name;
    StoredValue stored;
    std::optional<LPARAM> posted;
};

class CommandRelayArgumentType : public CommandRelay, public ::testing::WithParamInterface<ArgumentTypeCase>
{
};

TEST_P(CommandRelayArgumentType, PostsWhatTheNumberReadGivesOrWaits)
{
    system.windows.windowsByTitle[L"Hotkey Manager"] = kHotkeyManager;
    system.registry.Set(schema::kProductKey, schema::kPostMessage, StoredValue{REG_BINARY, {2}});
    system.registry.Set(schema::kStatusKey, schema::kFanMode, GetParam().stored);
    Tick();

    if (GetParam().posted)
    {
        EXPECT_EQ(system.windows.posted,
                  (std::vector<PostedMessage>{{kHotkeyManager, 2000, 1, *GetParam().posted}}));
        EXPECT_EQ(system.registry.Raw(schema::kProductKey, schema::kPostMessage), NumberValue(0));
    }
    else
    {
        EXPECT_TRUE(system.windows.posted.empty());
        EXPECT_EQ(system.registry.Raw(schema::kProductKey, schema::kPostMessage),
                  (StoredValue{REG_BINARY, {2}}));
    }
}

INSTANTIATE_TEST_SUITE_P(Types, CommandRelayArgumentType,
                         ::testing::Values(ArgumentTypeCase{"OneByteBinary", StoredValue{REG_BINARY, {5}}, 5},
                                           ArgumentTypeCase{"TextOfOneCharacter", TextValue(L"5"), 0x35},
                                           ArgumentTypeCase{"LongerText", TextValue(L"55"), std::nullopt},
                                           ArgumentTypeCase{"Qword",
                                                            StoredValue{REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}},
                                                            std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PowerTypeCase
{
    const char* name;
    StoredValue stored;
    bool launches;
};

class CommandRelayPowerType : public CommandRelay, public ::testing::WithParamInterface<PowerTypeCase>
{
};

TEST_P(CommandRelayPowerType, StartsOnlyWhatTheNumberReadSelects)
{
    system.registry.Set(schema::kProductKey, schema::kExecShutdown, GetParam().stored);
    Tick();

    EXPECT_EQ(system.shell.launches.size(), GetParam().launches ? 1u : 0u);
    EXPECT_EQ(system.registry.Raw(schema::kProductKey, schema::kExecShutdown),
              GetParam().launches ? NumberValue(0) : GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Types, CommandRelayPowerType,
    ::testing::Values(PowerTypeCase{"OneByteBinary", StoredValue{REG_BINARY, {3}}, true},
                      // "3" is the number 0x33, outside the table.
                      PowerTypeCase{"Text", TextValue(L"3"), false},
                      PowerTypeCase{"Qword", StoredValue{REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct PowerCase
{
    const char* name;
    DWORD command;
    const wchar_t* parameters;
};

class CommandRelayPower : public CommandRelay, public ::testing::WithParamInterface<PowerCase>
{
};

TEST_P(CommandRelayPower, ResetsTheCommandThenStartsShutdownHiddenOnce)
{
    system.registry.Set(schema::kProductKey, schema::kExecShutdown, GetParam().command);
    Tick();
    Tick();

    EXPECT_EQ(system.shell.launches,
              (std::vector<Launch>{{L"open", L"shutdown.exe", GetParam().parameters, SW_HIDE}}));
    EXPECT_EQ(Product(schema::kExecShutdown), L"0");
    const Journal& journal = system.journal;
    const auto reset = std::find(journal.begin(), journal.end(), L"write ExecShutdown=0");
    const auto launch =
        std::find(journal.begin(), journal.end(), L"launch " + std::wstring(GetParam().parameters));
    EXPECT_LT(reset, launch);
}

INSTANTIATE_TEST_SUITE_P(Actions, CommandRelayPower,
                         ::testing::Values(PowerCase{"LogOff", 1, L"/l"}, PowerCase{"ShutDown", 2, L"/s"},
                                           PowerCase{"Restart", 3, L"/r"}, PowerCase{"Hibernate", 4, L"/h"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace service::testing
