#pragma once

#include <windows.h>

#include "component/server/IRegistrarBase.h"

#include <memory>

class RegistrationJournal;

// The registrar: holds the substitutions spliced into a registration script and runs scripts from a
// module's resources. It lives as a local object for one script, so its IUnknown counts nothing.
class CRegObject : public IRegistrarBase
{
  public:
    CRegObject() = default;
    CRegObject(const CRegObject&) = delete;
    CRegObject& operator=(const CRegObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE AddSubstitution(const wchar_t* name, const wchar_t* value) override;
    HRESULT STDMETHODCALLTYPE ClearSubstitutions() override;
    virtual ~CRegObject() = default;

    // The value of the first substitution whose name matches without regard to case, or null.
    const wchar_t* FindSubstitution(const wchar_t* name) const;

    // Runs the ANSI script held in resource (resourceType, resourceId) of the module file at modulePath;
    // a registration records what it creates in the journal, when one is given (see CRegScriptParser).
    HRESULT RunScriptResource(const wchar_t* modulePath, UINT resourceId, const wchar_t* resourceType,
                              bool doRegister, RegistrationJournal* journal = nullptr);

  private:
    // The table in insertion order, as a list: a new entry costs one allocation and moves nothing.
    struct Substitution
    {
        std::unique_ptr<wchar_t[]> name;
        std::unique_ptr<wchar_t[]> value;
        std::unique_ptr<Substitution> next;
    };

    std::unique_ptr<Substitution> m_first;
    Substitution* m_last = nullptr;
};
