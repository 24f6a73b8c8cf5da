#include "component/automation/BatteryRemainingTime.h"

#include "component/server/ObjectWrappers.h"
#include "component/system/PowerStatus.h"
#include "platform/HResult.h"

namespace
{

constexpr DWORD kSecondsPerMinute = 60;

// Both interfaces are the object's own pointer: the first (and only) vtable sits at offset 0, as asserted
// below.
const InterfaceEntry kBatteryInterfaces[] = {
    {&IID_IBatteryRemainingTime, 0, kPlainOffsetRow},
    {&IID_IDispatch, 0, kPlainOffsetRow},
    {nullptr, 0, 0},
};

static_assert(
    StartsAtClass<CComObject<CBatteryRemainingTime>, CBatteryRemainingTime, IBatteryRemainingTime>());
static_assert(StartsAtClass<CComObject<CBatteryRemainingTime>, CBatteryRemainingTime, IDispatch>());

} // namespace

const InterfaceEntry* CBatteryRemainingTime::InterfaceTable()
{
    return kBatteryInterfaces;
}

HRESULT CBatteryRemainingTime::GetRemainingTime(long* BRTime)
{
    RETURN_HR_IF(E_POINTER, BRTime == nullptr);
    *BRTime = 0;
    SYSTEM_POWER_STATUS status{};
    if (QuerySystemPowerStatus(status))
    {
        // BatteryLifeTime is unsigned seconds; 0xFFFFFFFF (no estimate) is not treated apart.
        *BRTime = static_cast<long>(status.BatteryLifeTime / kSecondsPerMinute);
    }
    return S_OK;
}

HRESULT CreateBatteryInstance(void* outer, REFIID iid, void** out)
{
    return CreateInstanceOf<CBatteryRemainingTime>(outer, iid, out);
}
