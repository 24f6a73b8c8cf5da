#include <windows.h>

#include "platform/NamedMutex.h"

#include "platform/Diagnostics.h"
#include "platform/HResult.h"

namespace platform
{

MutexCreation CreateOwnedNamedMutex(const wchar_t* name, UniqueHandleObject& mutex)
{
    mutex.Reset(CreateMutexW(nullptr, TRUE, name));
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        return MutexCreation::AlreadyExisted;
    }
    if (!mutex)
    {
        // Not fatal: the mutex only marks a running instance.
        ReportFailure(PLATFORM_FAILURE_SITE, HResultFromLastError(), name);
        return MutexCreation::Failed;
    }
    return MutexCreation::Created;
}

} // namespace platform
