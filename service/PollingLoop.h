#pragma once

#include "service/LoopState.h"
#include "service/ServicePlatform.h"

namespace service
{

constexpr int kExitStoppedOnRequest = 1;
constexpr DWORD kTickPauseMilliseconds = 100;

enum class TickOutcome
{
    KeepRunning,
    StopRequested,
};

// One tick: the stop flag, then the audio bridge, the display monitor and the command relay.
TickOutcome RunTick(LoopState& state, ServicePlatform& platform);

// Ticks 100 ms apart until the gadget asks the service to stop; returns the process exit code.
int RunUntilStopped(ServicePlatform& platform);

} // namespace service
