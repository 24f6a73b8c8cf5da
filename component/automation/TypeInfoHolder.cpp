#include "component/automation/TypeInfoHolder.h"

#include "component/server/DllModule.h"
#include "component/server/PublishedPointer.h"
#include "component/system/RegisteredTypeLibrary.h"
#include "platform/ComPtr.h"
#include "platform/HResult.h"

#include <algorithm>
#include <cwchar>
#include <memory>
#include <new>
#include <utility>

namespace
{

// Where the interface's type information also answers ITypeInfo2 through a separate object, that
// object is the one to keep.
platform::ComPtr<ITypeInfo> PreferTypeInfo2(const platform::ComPtr<ITypeInfo>& typeInfo)
{
    platform::ComPtr<ITypeInfo2> typeInfo2;
    if (FAILED(typeInfo->QueryInterface(IID_PPV_ARGS(typeInfo2.Put()))))
    {
        return typeInfo;
    }
    platform::ComPtr<IUnknown> identity;
    platform::ComPtr<IUnknown> identity2;
    if (FAILED(typeInfo->QueryInterface(IID_PPV_ARGS(identity.Put()))) ||
        FAILED(typeInfo2->QueryInterface(IID_PPV_ARGS(identity2.Put()))) || identity.Get() == identity2.Get())
    {
        return typeInfo;
    }
    return platform::ComPtr<ITypeInfo>::From(typeInfo2.Get());
}

} // namespace

ITypeInfo* CComTypeInfoHolder::LoadedTypeInfo() const
{
    return LoadPublished(m_typeInfo);
}

CComTypeInfoHolder::NameCacheEntry* CComTypeInfoHolder::LoadedNameCache() const
{
    return LoadPublished(m_nameCache);
}

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo)
{
    RETURN_HR_IF(DISP_E_BADINDEX, index != 0);
    RETURN_HR_IF(E_POINTER, typeInfo == nullptr);
    HRESULT hr = S_OK;
    if (LoadedTypeInfo() == nullptr)
    {
        hr = EnsureLoaded(lcid);
    }
    // A failed name cache does not fail this call: the type information itself is what is asked for.
    ITypeInfo* loaded = LoadedTypeInfo();
    *typeInfo = loaded;
    if (loaded == nullptr)
    {
        return hr;
    }
    loaded->AddRef();
    return S_OK;
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(wchar_t** names, UINT count, LCID lcid, DISPID* dispIds)
{
    const HRESULT hr = EnsureLoaded(lcid);
    ITypeInfo* loaded = LoadedTypeInfo();
    if (loaded == nullptr)
    {
        return hr;
    }
    // No names, nothing to map: the arrays are not looked at, since the type information would read a
    // first name even then.
    if (count == 0)
    {
        return S_OK;
    }
    // A null array or name would be read or written by any lookup, the type information's own included.
    RETURN_HR_IF(E_POINTER, names == nullptr || dispIds == nullptr ||
                                std::find(names, names + count, nullptr) != names + count);
    if (count == 1 && LookUpCachedName(names[0], dispIds[0]))
    {
        return S_OK;
    }
    return loaded->GetIDsOfNames(names, count, dispIds);
}

HRESULT CComTypeInfoHolder::Invoke(IDispatch* instance, DISPID dispIdMember, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exceptionInfo,
                                   UINT* argumentError)
{
    const HRESULT hr = EnsureLoaded(lcid);
    ITypeInfo* loaded = LoadedTypeInfo();
    if (loaded == nullptr)
    {
        return hr;
    }
    // The type information reads the argument arrays as far as their counts say, null or not.
    RETURN_HR_IF(E_INVALIDARG,
                 params != nullptr && ((params->rgvarg == nullptr && params->cArgs != 0) ||
                                       (params->rgdispidNamedArgs == nullptr && params->cNamedArgs != 0)));
    return loaded->Invoke(instance, dispIdMember, flags, params, result, exceptionInfo, argumentError);
}

HRESULT CComTypeInfoHolder::EnsureLoaded(LCID lcid)
{
    if (LoadedTypeInfo() != nullptr && LoadedNameCache() != nullptr)
    {
        return S_OK;
    }
    CriticalSectionLock::Guard guard(g_module->StaticDataLock());
    // Another thread may have loaded it while this one waited for the lock.
    HRESULT hr = LoadedTypeInfo() != nullptr ? S_OK : LoadTypeInfo(lcid);
    if (LoadedTypeInfo() != nullptr && LoadedNameCache() == nullptr)
    {
        hr = BuildNameCache();
    }
    return hr;
}

HRESULT CComTypeInfoHolder::LoadTypeInfo(LCID lcid)
{
    // No fallback to the component's file: an unregistered library makes dispatch fail.
    platform::ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadRegisteredTypeLibrary(m_libid, m_majorVersion, m_minorVersion, lcid, library.Put()));
    platform::ComPtr<ITypeInfo> typeInfo;
    RETURN_IF_FAILED(library->GetTypeInfoOfGuid(m_iid, typeInfo.Put()));
    Publish(m_typeInfo, PreferTypeInfo2(typeInfo).Detach());
    // Without the callback the reference merely lives until the process ends.
    AddShutdownCallback(g_module, &CComTypeInfoHolder::CleanUp, reinterpret_cast<DWORD_PTR>(this));
    return S_OK;
}

HRESULT CComTypeInfoHolder::BuildNameCache()
{
    ITypeInfo* loaded = LoadedTypeInfo();
    TYPEATTR* attributes = nullptr;
    if (FAILED(loaded->GetTypeAttr(&attributes)))
    {
        return S_OK; // built again on a later call
    }
    m_nameCacheCount = attributes->cFuncs;
    std::unique_ptr<NameCacheEntry[]> cache;
    if (m_nameCacheCount > 0)
    {
        cache.reset(new (std::nothrow) NameCacheEntry[m_nameCacheCount]);
        if (!cache)
        {
            loaded->ReleaseTypeAttr(attributes);
            RETURN_HR(E_OUTOFMEMORY);
        }
    }
    for (int index = 0; index < m_nameCacheCount; ++index)
    {
        FUNCDESC* function = nullptr;
        if (FAILED(loaded->GetFuncDesc(index, &function)))
        {
            continue;
        }
        NameCacheEntry& entry = cache[index];
        if (SUCCEEDED(loaded->GetDocumentation(function->memid, &entry.name, nullptr, nullptr, nullptr)))
        {
            entry.length = static_cast<int>(SysStringLen(entry.name));
            entry.dispId = function->memid;
        }
        loaded->ReleaseFuncDesc(function);
    }
    // Published only now, whole: readers take the cache without the lock.
    Publish(m_nameCache, cache.release());
    loaded->ReleaseTypeAttr(attributes);
    return S_OK;
}

bool CComTypeInfoHolder::LookUpCachedName(const OLECHAR* name, DISPID& dispId) const
{
    const NameCacheEntry* cache = LoadedNameCache();
    if (cache == nullptr)
    {
        return false;
    }
    const auto length = static_cast<int>(std::wcslen(name));
    // From the last entry: the match with the highest index wins.
    for (int index = m_nameCacheCount - 1; index >= 0; --index)
    {
        const NameCacheEntry& entry = cache[index];
        if (entry.name != nullptr && entry.length == length && std::wmemcmp(entry.name, name, length) == 0)
        {
            dispId = entry.dispId;
            return true;
        }
    }
    return false;
}

void CComTypeInfoHolder::CleanUp(DWORD_PTR data)
{
    auto* holder = reinterpret_cast<CComTypeInfoHolder*>(data);
    if (ITypeInfo* typeInfo = std::exchange(holder->m_typeInfo, nullptr))
    {
        typeInfo->Release();
    }
    delete[] std::exchange(holder->m_nameCache, nullptr);
}
