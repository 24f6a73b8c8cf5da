#include "component/registrar/RegObject.h"

#include "component/registrar/RegScriptParser.h"
#include "component/registrar/StringCopy.h"
#include "platform/HResult.h"
#include "platform/UniqueHandle.h"

#include <new>

HRESULT STDMETHODCALLTYPE CRegObject::QueryInterface(REFIID, void**)
{
    return E_NOTIMPL;
}

ULONG STDMETHODCALLTYPE CRegObject::AddRef()
{
    return 1;
}

ULONG STDMETHODCALLTYPE CRegObject::Release()
{
    return 0;
}

HRESULT STDMETHODCALLTYPE CRegObject::AddSubstitution(const wchar_t* name, const wchar_t* value)
{
    RETURN_HR_IF(E_INVALIDARG, name == nullptr || value == nullptr);
    std::unique_ptr<wchar_t[]> nameCopy = CopyString(name);
    RETURN_IF_NULL_ALLOC(nameCopy);
    std::unique_ptr<wchar_t[]> valueCopy = CopyString(value);
    RETURN_IF_NULL_ALLOC(valueCopy);
    std::unique_ptr<Substitution> entry(new (std::nothrow)
                                            Substitution{std::move(nameCopy), std::move(valueCopy), nullptr});
    RETURN_IF_NULL_ALLOC(entry);
    Substitution* added = entry.get();
    (m_last != nullptr ? m_last->next : m_first) = std::move(entry);
    m_last = added;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CRegObject::ClearSubstitutions()
{
    m_first.reset();
    m_last = nullptr;
    return S_OK;
}

const wchar_t* CRegObject::FindSubstitution(const wchar_t* name) const
{
    for (const Substitution* entry = m_first.get(); entry != nullptr; entry = entry->next.get())
    {
        if (lstrcmpiW(entry->name.get(), name) == 0)
        {
            return entry->value.get();
        }
    }
    return nullptr;
}

HRESULT CRegObject::RunScriptResource(const wchar_t* modulePath, UINT resourceId, const wchar_t* resourceType,
                                      bool doRegister, RegistrationJournal* journal)
{
    // As a data file, so that none of the module's code runs.
    const platform::UniqueModule module(LoadLibraryExW(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    RETURN_LAST_ERROR_IF_FALSE(module);
    const HRSRC resource = FindResourceW(module.Get(), MAKEINTRESOURCEW(resourceId), resourceType);
    RETURN_LAST_ERROR_IF_FALSE(resource);
    const HGLOBAL loaded = LoadResource(module.Get(), resource);
    RETURN_LAST_ERROR_IF_FALSE(loaded);
    const DWORD size = SizeofResource(module.Get(), resource);
    const auto* bytes = static_cast<const char*>(LockResource(loaded));
    RETURN_LAST_ERROR_IF_FALSE(bytes);

    // The resource carries no terminating zero; one ANSI byte never becomes more than one UTF-16 unit.
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[size + 1]);
    RETURN_IF_NULL_ALLOC(text);
    // An empty resource is an empty script; the conversion would refuse zero bytes.
    const int converted = size == 0 ? 0
                                    : MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, static_cast<int>(size),
                                                          text.get(), static_cast<int>(size));
    RETURN_LAST_ERROR_IF_FALSE(size == 0 || converted != 0);
    text[converted] = L'\0';

    return CRegScriptParser(*this).RunScript(text.get(), doRegister, journal);
}
