#include "tests/component/unit/FakePlatform.h"

#include "component/system/LockInitialization.h"
#include "component/system/PowerStatus.h"
#include "component/system/RegisteredTypeLibrary.h"

#include <cstdlib>
#include <new>

void fake::Reset()
{
    lockInitializationsBeforeFailure = -1;
    powerStatusAvailable = true;
    batteryLifeTime = 0;
    typeLibraryLoadResult = TYPE_E_LIBNOTREGISTERED;
    typeLibrary = nullptr;
    typeLibraryLoadDelayMs = 0;
    typeLibraryLoads = 0;
    failAllocations = false;
}

HRESULT InitializeLock(CRITICAL_SECTION& lock)
{
    if (fake::lockInitializationsBeforeFailure == 0)
    {
        fake::lockInitializationsBeforeFailure = -1;
        return E_OUTOFMEMORY;
    }
    if (fake::lockInitializationsBeforeFailure > 0)
    {
        --fake::lockInitializationsBeforeFailure;
    }
    InitializeCriticalSection(&lock);
    return S_OK;
}

bool QuerySystemPowerStatus(SYSTEM_POWER_STATUS& status)
{
    status.BatteryLifeTime = fake::batteryLifeTime;
    return fake::powerStatusAvailable;
}

HRESULT LoadRegisteredTypeLibrary(REFGUID, WORD, WORD, LCID, ITypeLib** library)
{
    ++fake::typeLibraryLoads;
    Sleep(fake::typeLibraryLoadDelayMs);
    *library = nullptr;
    if (FAILED(fake::typeLibraryLoadResult))
    {
        return fake::typeLibraryLoadResult;
    }
    fake::typeLibrary->AddRef();
    *library = fake::typeLibrary;
    return S_OK;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return fake::failAllocations ? nullptr : std::malloc(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return fake::failAllocations ? nullptr : std::malloc(size);
}
