#pragma once

#include "component/server/DllModule.h"
#include "component/server/InterfaceEntry.h"
#include "component/server/ObjectRoot.h"
#include "platform/HResult.h"

#include <new>
#include <type_traits>

// Wrappers that give a class (with a static InterfaceTable()) its IUnknown. Rule for all of them:
// objects start at count 0 and the creator's first QueryInterface hands out the first reference;
// each battery object, plain or aggregated, holds one module lock for its whole life.

// Stand-alone object: counts its own references.
template <typename Base> class CComObject final : public Base
{
  public:
    CComObject() { g_module->AddModuleLock(); }
    virtual ~CComObject()
    {
        this->MarkDestroyed();
        g_module->ReleaseModuleLock();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        return QueryInterfaceFromTable(static_cast<Base*>(this), Base::InterfaceTable(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->InternalAddRef(); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = this->InternalRelease();
        if (count == 0)
        {
            delete this;
        }
        return count;
    }
};

// The part inside an aggregate: its IUnknown is the outer object's.
template <typename Base> class CComContainedObject final : public Base
{
  public:
    explicit CComContainedObject(IUnknown* outer) { this->m_outerUnknown = outer; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        return this->m_outerUnknown->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return this->m_outerUnknown->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return this->m_outerUnknown->Release(); }
};

// Aggregated object: its own IUnknown counts the outer object's reference on it; every other
// interface is the contained part's and counts on the outer object.
template <typename Base>
class CComAggObject final : public IUnknown, public CComObjectRootEx<CComSingleThreadModel>
{
  public:
    explicit CComAggObject(IUnknown* outer) : m_contained(outer) { g_module->AddModuleLock(); }
    virtual ~CComAggObject()
    {
        MarkDestroyed();
        g_module->ReleaseModuleLock();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        RETURN_HR_IF(E_POINTER, out == nullptr);
        *out = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown))
        {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return QueryInterfaceFromTable(static_cast<Base*>(&m_contained), Base::InterfaceTable(), iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InternalAddRef(); }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG count = InternalRelease();
        if (count == 0)
        {
            delete this;
        }
        return count;
    }

  private:
    CComContainedObject<Base> m_contained;
};

// Allocates a wrapper and hands out its first reference; a failed first QueryInterface destroys it
// again, which gives its module lock back.
template <typename Wrapper> HRESULT CreateWrappedInstance(IUnknown* outer, REFIID iid, void** out)
{
    RETURN_HR_IF(E_POINTER, out == nullptr);
    *out = nullptr;
    Wrapper* object = nullptr;
    if constexpr (std::is_constructible_v<Wrapper, IUnknown*>)
    {
        object = new (std::nothrow) Wrapper(outer);
    }
    else
    {
        object = new (std::nothrow) Wrapper();
    }
    RETURN_IF_NULL_ALLOC(object);
    const HRESULT hr = object->QueryInterface(iid, out);
    if (FAILED(hr))
    {
        delete object;
    }
    return hr;
}

template <typename Base> HRESULT CreatePlainInstance(void* outer, REFIID iid, void** out)
{
    return CreateWrappedInstance<CComObject<Base>>(static_cast<IUnknown*>(outer), iid, out);
}

template <typename Base> HRESULT CreateAggregatedInstance(void* outer, REFIID iid, void** out)
{
    return CreateWrappedInstance<CComAggObject<Base>>(static_cast<IUnknown*>(outer), iid, out);
}

// The instance creator of a class that allows aggregation.
template <typename Base> HRESULT CreateInstanceOf(void* outer, REFIID iid, void** out)
{
    return outer == nullptr ? CreatePlainInstance<Base>(outer, iid, out)
                            : CreateAggregatedInstance<Base>(outer, iid, out);
}
