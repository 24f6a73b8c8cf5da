#pragma once

#include <windows.h>
#include <unknwn.h>

// An aggregating outer object of the test's own: counts its references and hands every interface
// but IUnknown to the inner object it aggregates.
class CountingOuter : public IUnknown
{
  public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override
    {
        if (IsEqualGUID(iid, IID_IUnknown))
        {
            *out = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++count; }
    STDMETHODIMP_(ULONG) Release() override { return --count; }

    ULONG count = 1;
    IUnknown* inner = nullptr;
};
