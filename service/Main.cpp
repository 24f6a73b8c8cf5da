#include <windows.h>

#include "platform/ComApartment.h"
#include "platform/NamedMutex.h"
#include "service/InstanceMutex.h"
#include "service/PollingLoop.h"
#include "service/StartUp.h"
#include "service/SystemDevices.h"

namespace
{

constexpr int kExitAlreadyRunning = 0;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Held until the process ends: it only marks that this session's service is running.
    platform::UniqueHandleObject instanceMutex;
    if (platform::CreateOwnedNamedMutex(service::kInstanceMutexName, instanceMutex) ==
        platform::MutexCreation::AlreadyExisted)
    {
        return kExitAlreadyRunning;
    }

    platform::ShellRegistry registry;
    service::ResetRegistryArea(registry);
    platform::ComApartmentScope apartment;

    service::SystemDevices devices;
    platform::SystemSleeper sleeper;
    service::ServicePlatform system = devices.With(registry, sleeper);
    return service::RunUntilStopped(system);
}
