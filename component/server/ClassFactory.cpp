#include "component/server/ClassFactory.h"

#include "component/server/DllModule.h"
#include "platform/HResult.h"

#include <new>

namespace
{

const InterfaceEntry kClassFactoryInterfaces[] = {
    {&IID_IClassFactory, 0, kPlainOffsetRow},
    {nullptr, 0, 0},
};

static_assert(StartsAtClass<CComObjectCached<CComClassFactory>, CComClassFactory, IClassFactory>());

} // namespace

const InterfaceEntry* CComClassFactory::InterfaceTable()
{
    return kClassFactoryInterfaces;
}

HRESULT CComClassFactory::Initialize(Creator createInstance)
{
    m_createInstance = createInstance;
    return m_lock.Initialize();
}

HRESULT CComClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out)
{
    RETURN_HR_IF(E_POINTER, out == nullptr);
    *out = nullptr;
    RETURN_HR_IF(CLASS_E_NOAGGREGATION, outer != nullptr && !IsEqualGUID(iid, IID_IUnknown));
    return m_createInstance(outer, iid, out);
}

HRESULT CComClassFactory::LockServer(BOOL lock)
{
    if (lock)
    {
        g_module->AddModuleLock();
    }
    else
    {
        g_module->ReleaseModuleLock();
    }
    return S_OK;
}

HRESULT CreateClassObject(void* createInstance, REFIID iid, void** out)
{
    RETURN_HR_IF(E_POINTER, out == nullptr);
    *out = nullptr;
    auto* classObject = new (std::nothrow) CComObjectCached<CComClassFactory>();
    RETURN_IF_NULL_ALLOC(classObject);
    HRESULT hr = classObject->Initialize(reinterpret_cast<Creator>(createInstance));
    if (SUCCEEDED(hr))
    {
        hr = classObject->QueryInterface(iid, out);
    }
    if (FAILED(hr))
    {
        delete classObject;
    }
    return hr;
}
