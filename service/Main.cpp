#include <windows.h>

#include "platform/ComApartment.h"
#include "platform/Diagnostics.h"
#include "platform/NamedMutex.h"
#include "service/InstanceMutex.h"
#include "service/PollingLoop.h"
#include "service/StartUp.h"
#include "service/SystemDevices.h"
#include "service/resources/Version.h"

namespace
{

constexpr int kExitAlreadyRunning = 0;

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    // Held until the process ends: it only marks that this session's service is running.
    platform::UniqueHandleObject instanceMutex;
    if (platform::CreateOwnedNamedMutex(service::kInstanceMutexName, instanceMutex) ==
        platform::MutexCreation::AlreadyExisted)
    {
        platform::ReportEvent(L"another instance runs in this session; exiting");
        return kExitAlreadyRunning;
    }
    platform::ReportEvent(L"started, version " TELLMARKSVC_VERSION_TEXT ", process ", GetCurrentProcessId());

    platform::ShellRegistry registry;
    service::ResetRegistryArea(registry);
    platform::ComApartmentScope apartment;

    service::SystemDevices devices;
    platform::SystemSleeper sleeper;
    service::ServicePlatform system = devices.With(registry, sleeper);
    const int exitCode = service::RunUntilStopped(system);
    platform::ReportEvent(L"stopped on request");
    return exitCode;
}
