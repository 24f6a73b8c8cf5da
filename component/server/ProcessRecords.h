#pragma once

#include "component/server/ClassObjectTable.h"
#include "component/server/ModuleInstance.h"

// The DLL's process-wide records, built at load in the order class-object table, instance record,
// module object, and cleaned up in reverse order at unload.
CClassObjectTable& ClassObjectTable();
CModuleInstance& ModuleInstance();

// True when a record's lock could not be initialised at load: the DLL then refuses to load.
bool StartupFailed();
