#pragma once

#include <unknwn.h>

// The registrar's substitution interface, through which the module adds its standard substitutions.
struct IRegistrarBase : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE AddSubstitution(LPCOLESTR name, LPCOLESTR value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearSubstitutions() = 0;
};
