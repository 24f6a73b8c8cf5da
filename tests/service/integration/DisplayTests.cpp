#include "tests/service/integration/ServiceHarness.h"

#include <gtest/gtest.h>

namespace service::integration
{
namespace
{

TEST(Display, PublishesTheDefaultOrientationOfTheTestScreen)
{
    SelectAudioDriver(L"");
    DeleteValue(kStatusKey, L"DisplayOrientation");
    ServiceProcess service;
    ASSERT_TRUE(service.WaitUntilTicking());
    EXPECT_EQ(ReadText(kStatusKey, L"DisplayOrientation"), L"DMDO_DEFAULT");
}

} // namespace
} // namespace service::integration
