#pragma once

#include "component/server/IRegistrarBase.h"
#include "component/server/CriticalSectionLock.h"
#include "component/server/ObjectMap.h"

#include <windows.h>

// A function run at module termination with the data word it was registered with.
using ShutdownCallback = void (*)(DWORD_PTR data);

// The DLL's module record: the module lock count, the static-data lock and the shutdown callbacks.
// Construction initialises the lock and starts every class of the map; destruction is the module's
// termination. A lock that cannot be initialised sets startupFailure, which refuses the load.
class CDllModuleBase
{
  public:
    CDllModuleBase(ObjectMap objectMap, bool& startupFailure);
    CDllModuleBase(const CDllModuleBase&) = delete;
    CDllModuleBase& operator=(const CDllModuleBase&) = delete;
    virtual ~CDllModuleBase();

    virtual LONG AddModuleLock();
    virtual LONG ReleaseModuleLock();
    virtual LONG ModuleLockCount();
    virtual HRESULT AddStandardSubstitutions(IRegistrarBase* registrar) = 0;

    // Re-entrant: the type-information holder registers its clean-up while holding it.
    CriticalSectionLock& StaticDataLock() { return m_staticDataLock; }

  private:
    friend HRESULT AddShutdownCallback(CDllModuleBase* module, ShutdownCallback callback, DWORD_PTR data);

    struct ShutdownNode
    {
        ShutdownCallback callback;
        DWORD_PTR data;
        ShutdownNode* next;
    };

    void RunShutdownCallbacks();

    LONG m_lockCount = 0;
    ShutdownNode* m_shutdownCallbacks = nullptr;
    CriticalSectionLock m_staticDataLock; // the module is initialised while it is
    ObjectMap m_objectMap;
};

// Pushes callback at the head of the module's list: the newest runs first at termination.
HRESULT AddShutdownCallback(CDllModuleBase* module, ShutdownCallback callback, DWORD_PTR data);

// The process's module object, set first thing when it is constructed.
extern CDllModuleBase* g_module;
