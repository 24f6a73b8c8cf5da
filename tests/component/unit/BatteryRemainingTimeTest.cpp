// GetRemainingTime through the function table, with the power-status request faked.
#include <windows.h>

#include "component/automation/BatteryRemainingTime.h"
#include "platform/ComPtr.h"
#include "tests/component/unit/ModuleFixture.h"

namespace
{

struct MinutesCase
{
    bool available;
    DWORD batteryLifeTime;
    long minutes;
};

class GetRemainingTimeTest : public ModuleFixture, public testing::WithParamInterface<MinutesCase>
{
};

TEST_P(GetRemainingTimeTest, UnsignedWholeMinutesAndAlwaysSuccess)
{
    platform::ComPtr<IBatteryRemainingTime> battery;
    ASSERT_EQ(S_OK, CreateBatteryInstance(nullptr, IID_IBatteryRemainingTime, battery.PutVoid()));
    fake::powerStatusAvailable = GetParam().available;
    fake::batteryLifeTime = GetParam().batteryLifeTime;
    long minutes = -1;
    EXPECT_EQ(S_OK, battery->GetRemainingTime(&minutes));
    EXPECT_EQ(GetParam().minutes, minutes);
}

INSTANTIATE_TEST_SUITE_P(BatteryLifeTimes, GetRemainingTimeTest,
                         testing::Values(MinutesCase{true, 0, 0}, MinutesCase{true, 59, 0},
                                         MinutesCase{true, 60, 1}, MinutesCase{true, 3599, 59},
                                         MinutesCase{true, 3600, 60}, MinutesCase{true, 0x80000000, 35791394},
                                         MinutesCase{true, 0xFFFFFFFE, 71582788},
                                         MinutesCase{true, 0xFFFFFFFF, 71582788},
                                         MinutesCase{false, 3600, 0}));

} // namespace
