#include "component/server/DllModule.h"

#include "platform/HResult.h"

#include <new>

CDllModuleBase* g_module = nullptr;

CDllModuleBase::CDllModuleBase(ObjectMap objectMap, bool& startupFailure) : m_objectMap(objectMap)
{
    g_module = this;
    m_staticDataLock.InitializeForRecord(startupFailure);
    m_objectMap.ForEachEntry([](ObjectMapEntry& entry) { entry.classHook(true); });
}

CDllModuleBase::~CDllModuleBase()
{
    m_objectMap.ForEachEntry([](ObjectMapEntry& entry) { entry.classHook(false); });
    if (!m_staticDataLock.Initialized())
    {
        return;
    }
    RunShutdownCallbacks();
}

LONG CDllModuleBase::AddModuleLock()
{
    return InterlockedIncrement(&m_lockCount);
}

LONG CDllModuleBase::ReleaseModuleLock()
{
    return InterlockedDecrement(&m_lockCount);
}

LONG CDllModuleBase::ModuleLockCount()
{
    return m_lockCount;
}

void CDllModuleBase::RunShutdownCallbacks()
{
    while (ShutdownNode* node = m_shutdownCallbacks)
    {
        node->callback(node->data);
        m_shutdownCallbacks = node->next;
        delete node;
    }
}

HRESULT AddShutdownCallback(CDllModuleBase* module, ShutdownCallback callback, DWORD_PTR data)
{
    RETURN_HR_IF(E_INVALIDARG, module == nullptr);
    auto* node = new (std::nothrow) CDllModuleBase::ShutdownNode{callback, data, nullptr};
    RETURN_IF_NULL_ALLOC(node);
    CriticalSectionLock::Guard guard(module->m_staticDataLock);
    node->next = module->m_shutdownCallbacks;
    module->m_shutdownCallbacks = node;
    return S_OK;
}
