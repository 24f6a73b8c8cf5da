#include "component/server/ModuleInstance.h"

#include "component/server/LockInitialization.h"

CModuleInstance::CModuleInstance(HINSTANCE instance, bool& startupFailure) : m_instance(instance)
{
    m_resourceLockInitialized = SUCCEEDED(InitializeLock(m_resourceLock));
    if (!m_resourceLockInitialized)
    {
        startupFailure = true;
    }
}

CModuleInstance::~CModuleInstance()
{
    if (m_resourceLockInitialized)
    {
        DeleteCriticalSection(&m_resourceLock);
    }
}
