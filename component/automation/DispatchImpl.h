#pragma once

#include "component/automation/TypeInfoHolder.h"
#include "platform/HResult.h"

#include <windows.h>
#include <oaidl.h>

// The four IDispatch entries of a dual interface, carried out by the interface's type information.
// The interface identifier arguments are not looked at.
template <typename Interface, const IID* Iid, const GUID* LibId, WORD MajorVersion, WORD MinorVersion>
class IDispatchImpl : public Interface
{
  public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        RETURN_HR_IF(E_POINTER, pctinfo == nullptr);
        *pctinfo = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override
    {
        return s_typeInfo.GetTypeInfo(iTInfo, lcid, ppTInfo);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, wchar_t** rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override
    {
        return s_typeInfo.GetIDsOfNames(rgszNames, cNames, lcid, rgDispId);
    }
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        return s_typeInfo.Invoke(static_cast<Interface*>(this), dispIdMember, lcid, wFlags, pDispParams,
                                 pVarResult, pExcepInfo, puArgErr);
    }

  private:
    static inline CComTypeInfoHolder s_typeInfo{*Iid, *LibId, MajorVersion, MinorVersion};
};
