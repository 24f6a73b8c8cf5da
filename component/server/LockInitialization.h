#pragma once

#include <windows.h>

// Initialises a critical section; a failure (the system is out of memory) becomes E_OUTOFMEMORY.
HRESULT InitializeLock(CRITICAL_SECTION& lock);

// The lock of a process-wide record, initialised at load: a failure sets startupFailure, which makes the
// DLL refuse the load. True when the lock is initialised.
inline bool InitializeRecordLock(CRITICAL_SECTION& lock, bool& startupFailure)
{
    const bool initialized = SUCCEEDED(InitializeLock(lock));
    if (!initialized)
    {
        startupFailure = true;
    }
    return initialized;
}
