#include "component/server/ProcessRecords.h"

#include "component/server/VoltwiseModule.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace
{

HINSTANCE ThisModule()
{
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

bool g_startupFailure = false;

// Defined in construction order; C++ destroys them in reverse.
CClassObjectTable g_classObjectTable(ThisModule(), VoltwiseObjectMap(), g_startupFailure);
CModuleInstance g_moduleInstance(ThisModule(), g_startupFailure);
CVoltwiseModule g_voltwiseModule(VoltwiseObjectMap(), g_startupFailure);

} // namespace

CClassObjectTable& ClassObjectTable()
{
    return g_classObjectTable;
}

CModuleInstance& ModuleInstance()
{
    return g_moduleInstance;
}

bool StartupFailed()
{
    return g_startupFailure;
}
