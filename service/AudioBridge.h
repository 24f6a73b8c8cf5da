#pragma once

#include "service/LoopState.h"
#include "service/ServicePlatform.h"

namespace service
{

// Applies a pending "SetVolume" and publishes volume and mute of the default audio output.
void RunAudioBridge(LoopState& state, ServicePlatform& platform);

} // namespace service
