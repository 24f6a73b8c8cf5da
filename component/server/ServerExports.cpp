#include "component/server/DllModule.h"
#include "component/server/ProcessRecords.h"

#include <objbase.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*)
{
    // Refusing the attach makes the runtime clean the records up again at once.
    return reason == DLL_PROCESS_ATTACH ? !StartupFailed() : TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    return ClassObjectTable().GetClassObject(clsid, iid, out);
}

STDAPI DllCanUnloadNow()
{
    return g_module->ModuleLockCount() == 0 ? S_OK : S_FALSE;
}
