#pragma once

#include <windows.h>
#include <oaidl.h>

#include <atomic>

// Fakes linked into the unit tests in place of component/system/ and of the global
// nothrow allocation, steered through these variables.
namespace fake
{

// Lock initialisations still to succeed before the next one fails; negative: none fails.
inline int lockInitializationsBeforeFailure = -1;

inline bool powerStatusAvailable = true;
inline DWORD batteryLifeTime = 0;

// What the registered-type-library loader hands out: a failure code, or the library with S_OK.
inline HRESULT typeLibraryLoadResult = TYPE_E_LIBNOTREGISTERED;
inline ITypeLib* typeLibrary = nullptr;
inline DWORD typeLibraryLoadDelayMs = 0;
inline std::atomic<int> typeLibraryLoads = 0;

// While true, every nothrow allocation fails.
inline bool failAllocations = false;

// Restores every fake to its default.
void Reset();

} // namespace fake
