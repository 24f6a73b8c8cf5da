#pragma once

#include "component/server/Creator.h"
#include "component/server/CriticalSectionLock.h"
#include "component/server/DllModule.h"
#include "component/server/InterfaceEntry.h"
#include "component/server/ObjectRoot.h"

#include <windows.h>
#include <unknwn.h>

// The class object: makes instances through the creator it was given. Any thread may call it.
class CComClassFactory : public IClassFactory, public CComObjectRootEx<CComMultiThreadModel>
{
  public:
    CComClassFactory() = default;
    CComClassFactory(const CComClassFactory&) = delete;
    CComClassFactory& operator=(const CComClassFactory&) = delete;

    static const InterfaceEntry* InterfaceTable();

    // Stores the instance creator and initialises the object's own lock (E_OUTOFMEMORY on failure).
    HRESULT Initialize(Creator createInstance);

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

  protected:
    ~CComClassFactory() = default;

  private:
    // No operation takes it; when it cannot be initialised, creation fails with E_OUTOFMEMORY, as callers see.
    CriticalSectionLock m_lock;
    Creator m_createInstance = nullptr;
};

// The cached class object: the object map's reference holds no module lock, so the count takes one
// while it is 2 or more, that is while any client holds the class object.
template <typename Base> class CComObjectCached final : public Base
{
  public:
    virtual ~CComObjectCached() { this->MarkDestroyed(); }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaceFromTable(static_cast<Base*>(this), Base::InterfaceTable(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        const ULONG count = this->InternalAddRef();
        if (count == 2)
        {
            g_module->AddModuleLock();
        }
        return count;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = this->InternalRelease();
        if (count == 0)
        {
            delete this;
        }
        else if (count == 1)
        {
            g_module->ReleaseModuleLock();
        }
        return count;
    }
};

// The class-object creator of an object-map entry; context is the entry's instance creator.
HRESULT CreateClassObject(void* createInstance, REFIID iid, void** out);
