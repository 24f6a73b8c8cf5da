#include "service/PollingLoop.h"

#include "service/AudioBridge.h"
#include "service/CommandRelay.h"
#include "service/DisplayMonitor.h"
#include "service/RegistrySchema.h"

namespace service
{

TickOutcome RunTick(LoopState& state, ServicePlatform& platform)
{
    DWORD stop = 0;
    if (platform.registry.ReadNumber(schema::kProductKey, schema::kStopService, stop) ==
            platform::ReadResult::Read &&
        stop == schema::kStopRequested)
    {
        // Pending commands go with the key, unexecuted.
        platform.registry.DeleteKeyTree(schema::kProductKey);
        return TickOutcome::StopRequested;
    }
    RunAudioBridge(state, platform);
    RunDisplayMonitor(state, platform);
    RunCommandRelay(platform);
    return TickOutcome::KeepRunning;
}

int RunUntilStopped(ServicePlatform& platform)
{
    LoopState state;
    while (RunTick(state, platform) == TickOutcome::KeepRunning)
    {
        platform.sleeper.Sleep(kTickPauseMilliseconds);
    }
    return kExitStoppedOnRequest;
}

} // namespace service
