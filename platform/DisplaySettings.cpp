#include <windows.h>

#include "platform/DisplaySettings.h"

namespace platform
{

bool SystemDisplaySettings::QueryCurrent(DEVMODEW& mode)
{
    return EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) != FALSE;
}

} // namespace platform
