#pragma once

#include <windows.h>
#include <oaidl.h>

// The type information of one dual interface, loaded once per process from the registered type
// library, with a cache of its member names in front of the name lookup. Shared by every object and
// apartment: loading runs under the module's static-data lock; the two published pointers are each
// written once, whole, so the lock-free readers see either nothing or a complete object.
class CComTypeInfoHolder
{
  public:
    constexpr CComTypeInfoHolder(const GUID& iid, const GUID& libid, WORD majorVersion, WORD minorVersion)
        : m_iid(iid), m_libid(libid), m_majorVersion(majorVersion), m_minorVersion(minorVersion)
    {
    }
    CComTypeInfoHolder(const CComTypeInfoHolder&) = delete;
    CComTypeInfoHolder& operator=(const CComTypeInfoHolder&) = delete;

    HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** typeInfo);
    HRESULT GetIDsOfNames(wchar_t** names, UINT count, LCID lcid, DISPID* dispIds);
    HRESULT Invoke(IDispatch* instance, DISPID dispIdMember, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exceptionInfo, UINT* argumentError);

  private:
    struct NameCacheEntry
    {
        NameCacheEntry() = default;
        NameCacheEntry(const NameCacheEntry&) = delete;
        NameCacheEntry& operator=(const NameCacheEntry&) = delete;
        ~NameCacheEntry() { SysFreeString(name); }

        BSTR name = nullptr;
        int length = 0;
        DISPID dispId = DISPID_UNKNOWN;
    };

    ITypeInfo* LoadedTypeInfo() const;
    NameCacheEntry* LoadedNameCache() const;
    HRESULT EnsureLoaded(LCID lcid);
    HRESULT LoadTypeInfo(LCID lcid);
    HRESULT BuildNameCache();
    bool LookUpCachedName(const OLECHAR* name, DISPID& dispId) const;
    static void CleanUp(DWORD_PTR holder);

    const GUID& m_iid;
    const GUID& m_libid;
    WORD m_majorVersion;
    WORD m_minorVersion;
    ITypeInfo* m_typeInfo = nullptr; // holds one reference
    NameCacheEntry* m_nameCache = nullptr;
    int m_nameCacheCount = 0;
};
