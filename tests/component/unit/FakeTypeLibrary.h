#pragma once

#include <windows.h>
#include <oaidl.h>

#include <vector>

// Type information of the test's own: a list of functions with names and DISPIDs, recording what the
// dispatch code asks of it. Functions with a null name have an unreadable name. It answers ITypeInfo2
// itself, through another object (typeInfo2), or not at all (answersTypeInfo2 false).
class FakeTypeInfo : public ITypeInfo2
{
  public:
    struct Function
    {
        const wchar_t* name;
        MEMBERID memid;
    };

    static constexpr DISPID kOwnAnswer = 4242;

    std::vector<Function> functions;
    bool attributesUnreadable = false;
    int getIDsOfNamesCalls = 0;
    const OLECHAR* firstName = nullptr;
    void* invokedInstance = nullptr;
    LONG references = 1;
    bool answersTypeInfo2 = false;
    FakeTypeInfo* typeInfo2 = nullptr;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&references); }

    STDMETHODIMP GetTypeAttr(TYPEATTR** attributes) override;
    STDMETHODIMP GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** function) override;
    STDMETHODIMP GetVarDesc(UINT, VARDESC**) override { return E_NOTIMPL; }
    STDMETHODIMP GetNames(MEMBERID, BSTR*, UINT, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetRefTypeOfImplType(UINT, HREFTYPE*) override { return E_NOTIMPL; }
    STDMETHODIMP GetImplTypeFlags(UINT, INT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(wchar_t** names, UINT count, MEMBERID* ids) override;
    STDMETHODIMP Invoke(PVOID instance, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* name, BSTR*, DWORD*, BSTR*) override;
    STDMETHODIMP GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return E_NOTIMPL; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, PVOID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMops(MEMBERID, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainingTypeLib(ITypeLib**, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* attributes) override { delete attributes; }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* function) override { delete function; }
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC*) override {}

    STDMETHODIMP GetTypeKind(TYPEKIND*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeFlags(ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetFuncIndexOfMemId(MEMBERID, INVOKEKIND, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetVarIndexOfMemId(MEMBERID, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCustData(REFGUID, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetFuncCustData(UINT, REFGUID, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetParamCustData(UINT, UINT, REFGUID, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetVarCustData(UINT, REFGUID, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetImplTypeCustData(UINT, REFGUID, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDocumentation2(MEMBERID, LCID, BSTR*, DWORD*, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAllCustData(CUSTDATA*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAllFuncCustData(UINT, CUSTDATA*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAllParamCustData(UINT, UINT, CUSTDATA*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAllVarCustData(UINT, CUSTDATA*) override { return E_NOTIMPL; }
    STDMETHODIMP GetAllImplTypeCustData(UINT, CUSTDATA*) override { return E_NOTIMPL; }
};

// A type library holding one FakeTypeInfo under one interface id.
class FakeTypeLib : public ITypeLib
{
  public:
    FakeTypeLib(REFIID iid, ITypeInfo& typeInfo) : m_iid(iid), m_typeInfo(typeInfo) {}

    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP_(UINT) GetTypeInfoCount() override { return 1; }
    STDMETHODIMP GetTypeInfo(UINT, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfoType(UINT, TYPEKIND*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetLibAttr(TLIBATTR**) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDocumentation(INT, BSTR*, BSTR*, DWORD*, BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP IsName(wchar_t*, ULONG, BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP FindName(wchar_t*, ULONG, ITypeInfo**, MEMBERID*, USHORT*) override { return E_NOTIMPL; }
    STDMETHODIMP_(void) ReleaseTLibAttr(TLIBATTR*) override {}

  private:
    const IID& m_iid;
    ITypeInfo& m_typeInfo;
};
