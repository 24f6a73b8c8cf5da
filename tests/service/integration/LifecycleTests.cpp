#include "tests/service/integration/ServiceHarness.h"

#include "tests/support/RegistryDump.h"
#include "tests/support/RegistryKeys.h"

#include <gtest/gtest.h>

#include <memory>

namespace service::integration
{
namespace
{

class ServiceLifecycle : public ::testing::Test
{
  protected:
    // Without an audio driver "VolumeLevel" is rewritten on every tick: a heartbeat of the loop.
    void SetUp() override { SelectAudioDriver(L""); }

    static bool StillTicking()
    {
        DeleteValue(kStatusKey, L"VolumeLevel");
        return WaitUntil([] { return ReadText(kStatusKey, L"VolumeLevel").has_value(); }, 3000);
    }
};

TEST_F(ServiceLifecycle, SecondInstanceExitsWithZeroAndTouchesNothing)
{
    ServiceProcess first;
    ASSERT_TRUE(first.WaitUntilTicking());
    WriteNumber(kProductKey, L"NumberOfGadgetInstance", 5);
    WriteText(kStatusKey, L"DisplayOrientation", L"marker");

    ServiceProcess second;
    EXPECT_EQ(second.WaitForExit(), 0u);
    Sleep(kSeveralTicksMs);
    EXPECT_EQ(ReadNumber(kProductKey, L"NumberOfGadgetInstance"), 5u);
    EXPECT_EQ(ReadText(kStatusKey, L"DisplayOrientation"), L"marker");
    EXPECT_TRUE(first.Running());
}

TEST_F(ServiceLifecycle, StartUpErasesStaleStopAndVolumeCommands)
{
    WriteNumber(kProductKey, L"StopService", 1);
    WriteNumber(kProductKey, L"NumberOfGadgetInstance", 3);
    WriteText(kStatusKey, L"SetVolume", L"500000");
    WriteText(kStatusKey, L"Mute", L"stale");

    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    Sleep(kSeveralTicksMs);

    EXPECT_TRUE(service.Running());
    EXPECT_EQ(ReadNumber(kProductKey, L"StopService"), std::nullopt);
    EXPECT_EQ(ReadNumber(kProductKey, L"NumberOfGadgetInstance"), 0u);
    EXPECT_EQ(ReadText(kStatusKey, L"SetVolume"), std::nullopt);
    EXPECT_EQ(ReadText(kStatusKey, L"Mute"), std::nullopt);
}

TEST_F(ServiceLifecycle, ActivityIsCreatedAsZeroWhenMissingAndKeptOtherwise)
{
    DeleteValue(kActivityKey, L"Activity");
    {
        ServiceProcess service;
        ASSERT_TRUE(service.WaitUntilTicking());
        EXPECT_EQ(ReadNumber(kActivityKey, L"Activity"), 0u);
    }
    WriteNumber(kActivityKey, L"Activity", 1);
    {
        ServiceProcess service;
        ASSERT_TRUE(service.WaitUntilTicking());
        EXPECT_EQ(ReadNumber(kActivityKey, L"Activity"), 1u);
    }
}

// The product key cannot be deleted at start-up: the stale commands go one by one, and none is acted on.
TEST_F(ServiceLifecycle, StaleStopInAnAreaThatCannotBeDeletedDoesNotStopTheNewInstance)
{
    WriteNumber(kProductKey, L"StopService", 1);
    WriteNumber(kProductKey, L"PostMessage", 2);
    WriteText(kStatusKey, L"SetVolume", L"500000");
    {
        // Sorts before "Current Status", so the failed deletion leaves the whole area as it was.
        UndeletableSubkey blocker(std::wstring(kProductKey) + L"\\Blocker");
        ServiceProcess service;
        ASSERT_TRUE(service.WaitUntilTicking());
        Sleep(kSeveralTicksMs);

        ASSERT_TRUE(blocker.Exists()) << "the area was deleted after all: the test proves nothing";
        EXPECT_TRUE(service.Running());
        EXPECT_TRUE(StillTicking());
        EXPECT_EQ(ReadNumber(kProductKey, L"StopService"), std::nullopt);
        EXPECT_EQ(ReadNumber(kProductKey, L"PostMessage"), std::nullopt);
        EXPECT_EQ(ReadText(kStatusKey, L"SetVolume"), std::nullopt);
        EXPECT_EQ(service.StopOnRequest(), 1u);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kProductKey);
}

// The product key refuses to be opened, so start-up cannot delete it; it still exists, and the commands go
// one by one (a value may be deleted where it cannot be read). A handle opened before looks at them.
TEST_F(ServiceLifecycle, StaleCommandsInAProductKeyThatRefusesOpeningAreDeletedOneByOne)
{
    WriteNumber(kProductKey, L"StopService", 1);
    WriteNumber(kProductKey, L"PostMessage", 2);
    WriteText(kStatusKey, L"SetVolume", L"500000");
    platform::UniqueRegKey product;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kProductKey, 0, KEY_QUERY_VALUE, product.Put()), ERROR_SUCCESS);
    std::optional<ServiceProcess> service;
    {
        const test_support::RestrictedKey unopenable(HKEY_CURRENT_USER, kProductKey, L"D:P(A;;0x40002;;;WD)");
        ASSERT_TRUE(unopenable.Restricted());
        service.emplace();
        ASSERT_TRUE(service->WaitUntilTicking());
        Sleep(kSeveralTicksMs);
    }
    for (const wchar_t* command : {L"StopService", L"PostMessage"})
    {
        EXPECT_EQ(RegQueryValueExW(product.Get(), command, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND)
            << testing::PrintToString(std::wstring(command));
    }
    EXPECT_EQ(ReadText(kStatusKey, L"SetVolume"), std::nullopt);
    EXPECT_EQ(service->StopOnRequest(), 1u);
}

// A value that exists but cannot be read is another program's all the same, and is left alone.
TEST_F(ServiceLifecycle, ActivityThatRefusesReadingIsLeftAlone)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kActivityKey);
    WriteRaw(kActivityKey, L"Activity", test_support::TextValue(L"foreign"));
    {
        const test_support::RestrictedKey writeOnly(HKEY_CURRENT_USER, kActivityKey, L"D:P(A;;0x40006;;;WD)");
        ASSERT_TRUE(writeOnly.Restricted());
        ServiceProcess service;
        ASSERT_TRUE(service.WaitUntilTicking());
    }
    EXPECT_EQ(ReadRaw(kActivityKey, L"Activity"), test_support::TextValue(L"foreign"));
}

struct ActivityCase
{
    const char* name;
    std::optional<test_support::StoredValue> stored;
};

class ServiceActivity : public ServiceLifecycle, public ::testing::WithParamInterface<ActivityCase>
{
};

// Another program's value is kept byte for byte, whatever its type and size; only its absence is mended.
TEST_P(ServiceActivity, IsCreatedAsZeroOnlyWhenAbsent)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, kActivityKey);
    if (GetParam().stored)
    {
        WriteRaw(kActivityKey, L"Activity", *GetParam().stored);
    }
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    EXPECT_EQ(ReadRaw(kActivityKey, L"Activity"), GetParam().stored.value_or(test_support::NumberValue(0)));
}

INSTANTIATE_TEST_SUITE_P(
    Types, ServiceActivity,
    ::testing::Values(ActivityCase{"KeyAbsent", std::nullopt},
                      ActivityCase{"DwordOne", test_support::NumberValue(1)},
                      ActivityCase{"Qword", test_support::StoredValue{REG_QWORD, {5, 0, 0, 0, 0, 0, 0, 0}}},
                      ActivityCase{"Text", test_support::TextValue(L"12")},
                      ActivityCase{"Binary", test_support::StoredValue{REG_BINARY, {1, 2, 3, 4, 5, 6}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServiceLifecycle, OnlyStopServiceOneStopsWithExitCodeOneAndANewInstanceCanStart)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    WriteNumber(kProductKey, L"StopService", 2);
    EXPECT_TRUE(StillTicking());
    EXPECT_TRUE(service.Running());

    EXPECT_EQ(service.StopOnRequest(), 1u);
    EXPECT_FALSE(KeyExists(kProductKey));

    ServiceProcess next;
    ASSERT_TRUE(next.WaitUntilTicking());
    EXPECT_TRUE(next.Running());
    EXPECT_EQ(next.StopOnRequest(), 1u);
}

struct BadValue
{
    const char* name;
    const wchar_t* path;
    const wchar_t* value;
    DWORD type;
    std::vector<BYTE> data;
};

class ServiceBadInput : public ServiceLifecycle, public ::testing::WithParamInterface<BadValue>
{
};

// Sixteen characters fill the service's text buffer exactly, leaving no room for a terminator.
const wchar_t* const kSixteenChars = L"1234567890123456";

TEST_P(ServiceBadInput, NeitherStopsNorBreaksTheLoop)
{
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    const BadValue& bad = GetParam();
    WriteRaw(bad.path, bad.value, bad.type, bad.data.data(), static_cast<DWORD>(bad.data.size()));

    EXPECT_TRUE(StillTicking());
    EXPECT_TRUE(StillTicking());
    EXPECT_TRUE(service.Running());
    EXPECT_EQ(service.StopOnRequest(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Values, ServiceBadInput,
                         ::testing::Values(BadValue{"StopServiceAsText", kProductKey, L"StopService", REG_SZ,
                                                    TextBytes(L"1", 4)},
                                           BadValue{"StopServiceAsLongBinary", kProductKey, L"StopService",
                                                    REG_BINARY, std::vector<BYTE>(100, 1)},
                                           BadValue{"StopServiceUnterminated", kProductKey, L"StopService",
                                                    REG_SZ, TextBytes(kSixteenChars, 32)},
                                           BadValue{"ExecShutdownAsLongBinary", kProductKey, L"ExecShutdown",
                                                    REG_BINARY, std::vector<BYTE>(100, 3)}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LinkCase
{
    const char* name;
    const wchar_t* linkAt;
    bool atStop; // planted while the service runs, for the deletion at its stop; else before it starts
};

class ServiceLinks : public ServiceLifecycle, public ::testing::WithParamInterface<LinkCase>
{
  protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTarget); }

    static constexpr const wchar_t* kTarget = L"Software\\Quorvel\\TellmarkLinkTarget";
};

// A registry link in the area is deleted as a link: the key it leads to keeps its values and subkeys.
TEST_P(ServiceLinks, TreeDeletionDeletesTheLinkAndLeavesItsTargetAlone)
{
    // Status values are written only when they change, so nothing is written through the link meanwhile.
    SelectAudioDriver(L"alsa");
    // A stop request there too: a link in place of the product key passes it on to the service.
    WriteNumber(kTarget, L"StopService", 1);
    WriteText((std::wstring(kTarget) + L"\\Current Status").c_str(), L"SetVolume", L"500000");
    const std::wstring before = test_support::DumpTree(HKEY_CURRENT_USER, kTarget);
    const auto plantLink = []
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, GetParam().linkAt);
        if (GetParam().linkAt == kStatusKey)
        {
            WriteNumber(kProductKey, L"NumberOfGadgetInstance", 0);
        }
        return std::make_unique<RegistryLink>(GetParam().linkAt, NativeUserKeyPath(kTarget));
    };

    std::unique_ptr<RegistryLink> link = GetParam().atStop ? nullptr : plantLink();
    ASSERT_EQ(IsRegistryLink(GetParam().linkAt), !GetParam().atStop);
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    if (GetParam().atStop)
    {
        link = plantLink();
        ASSERT_TRUE(IsRegistryLink(GetParam().linkAt));
        EXPECT_EQ(service.StopOnRequest(), 1u);
        EXPECT_FALSE(KeyExists(kProductKey));
    }
    else
    {
        EXPECT_TRUE(service.Running());
        EXPECT_FALSE(IsRegistryLink(kProductKey));
        EXPECT_FALSE(IsRegistryLink(kStatusKey));
    }
    EXPECT_EQ(test_support::DumpTree(HKEY_CURRENT_USER, kTarget), before);
}

INSTANTIATE_TEST_SUITE_P(Places, ServiceLinks,
                         ::testing::Values(LinkCase{"ProductKeyAtStart", kProductKey, false},
                                           LinkCase{"StatusKeyAtStart", kStatusKey, false},
                                           LinkCase{"ProductKeyAtStop", kProductKey, true},
                                           LinkCase{"StatusKeyAtStop", kStatusKey, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace service::integration
