#pragma once

#include "service/LoopState.h"
#include "service/ServicePlatform.h"

namespace service
{

// Publishes the orientation of the display the service runs on when it changes.
void RunDisplayMonitor(LoopState& state, ServicePlatform& platform);

} // namespace service
