#pragma once

#include <unknwn.h>

// How the module adds its standard substitutions to a registration script run; the registrar implements it.
struct IRegistrarBase : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE AddSubstitution(const wchar_t* name, const wchar_t* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE ClearSubstitutions() = 0;
};
