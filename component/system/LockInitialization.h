#pragma once

#include <windows.h>

// Initialises a critical section; a failure (the system is out of memory) becomes E_OUTOFMEMORY.
HRESULT InitializeLock(CRITICAL_SECTION& lock);
