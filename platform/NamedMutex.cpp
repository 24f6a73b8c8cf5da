#include <windows.h>

#include "platform/NamedMutex.h"

namespace platform
{

MutexCreation CreateOwnedNamedMutex(const wchar_t* name, UniqueHandleObject& mutex)
{
    mutex.Reset(CreateMutexW(nullptr, TRUE, name));
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        return MutexCreation::AlreadyExisted;
    }
    return mutex ? MutexCreation::Created : MutexCreation::Failed;
}

} // namespace platform
