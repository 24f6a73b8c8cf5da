#include "component/server/ModuleInstance.h"

#include "component/server/LockInitialization.h"

CModuleInstance::CModuleInstance(HINSTANCE instance, bool& startupFailure) : m_instance(instance)
{
    m_resourceLockInitialized = InitializeRecordLock(m_resourceLock, startupFailure);
}

CModuleInstance::~CModuleInstance()
{
    if (m_resourceLockInitialized)
    {
        DeleteCriticalSection(&m_resourceLock);
    }
}
