#include <windows.h>

#include "platform/DisplaySettings.h"

#include "platform/HResult.h"

namespace platform
{

bool SystemDisplaySettings::QueryCurrent(DEVMODEW& mode)
{
    const bool queried = EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) != FALSE;
    m_failing.Update(PLATFORM_FAILURE_SITE, queried ? S_OK : HResultFromLastError(), L"display settings");
    return queried;
}

} // namespace platform
