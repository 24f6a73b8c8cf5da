#pragma once

#include "platform/Registry.h"

namespace service
{

// Wipes the registry area left by an earlier run (stale status values and commands) and sets it up afresh.
void ResetRegistryArea(platform::IRegistry& registry);

} // namespace service
