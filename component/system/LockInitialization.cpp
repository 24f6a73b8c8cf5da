#include "component/system/LockInitialization.h"

HRESULT InitializeLock(CRITICAL_SECTION& lock)
{
    return InitializeCriticalSectionEx(&lock, 0, 0) ? S_OK : E_OUTOFMEMORY;
}
