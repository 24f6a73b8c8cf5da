// Stands in for component/system/LockInitialization.cpp in a build of Voltwise.dll whose first lock
// initialisation at load fails, as it would when the system is out of memory; the later ones succeed.
#include "component/system/LockInitialization.h"

HRESULT InitializeLock(CRITICAL_SECTION& lock)
{
    static bool failed = false;
    if (!failed)
    {
        failed = true;
        return E_OUTOFMEMORY;
    }
    return InitializeCriticalSectionEx(&lock, 0, 0) ? S_OK : E_OUTOFMEMORY;
}
