#pragma once

#include <windows.h>

// Registers and unregisters the type library carried in the component's own file, per user when
// per-user registration is on and the platform offers it, per machine otherwise.
HRESULT RegisterModuleTypeLibrary();
HRESULT UnregisterModuleTypeLibrary();
