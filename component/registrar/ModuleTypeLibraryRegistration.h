#pragma once

#include <windows.h>

// Registers and unregisters the type library carried in the component's own file, per user when
// per-user registration is on and the platform offers it, per machine otherwise. Unregistering a
// library that is not registered succeeds: there is nothing to remove.
HRESULT RegisterModuleTypeLibrary();
HRESULT UnregisterModuleTypeLibrary();
