#pragma once

#include "service/ServicePlatform.h"

namespace service
{

// Forwards a pending hotkey request to the hotkey program's window, then starts a pending power action.
void RunCommandRelay(ServicePlatform& platform);

} // namespace service
