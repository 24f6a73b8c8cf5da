#include "component/system/PowerStatus.h"

bool QuerySystemPowerStatus(SYSTEM_POWER_STATUS& status)
{
    return GetSystemPowerStatus(&status) != FALSE;
}
