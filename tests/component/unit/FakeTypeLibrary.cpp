#include "tests/component/unit/FakeTypeLibrary.h"

HRESULT FakeTypeInfo::QueryInterface(REFIID iid, void** out)
{
    *out = nullptr;
    FakeTypeInfo* answer = this;
    if (IsEqualGUID(iid, IID_ITypeInfo2))
    {
        answer = typeInfo2 != nullptr ? typeInfo2 : answersTypeInfo2 ? this : nullptr;
    }
    else if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_ITypeInfo))
    {
        answer = nullptr;
    }
    if (answer == nullptr)
    {
        return E_NOINTERFACE;
    }
    *out = static_cast<ITypeInfo2*>(answer);
    answer->AddRef();
    return S_OK;
}

HRESULT FakeTypeInfo::GetTypeAttr(TYPEATTR** attributes)
{
    if (attributesUnreadable)
    {
        return E_FAIL;
    }
    *attributes = new TYPEATTR{};
    (*attributes)->cFuncs = static_cast<WORD>(functions.size());
    return S_OK;
}

HRESULT FakeTypeInfo::GetFuncDesc(UINT index, FUNCDESC** function)
{
    *function = new FUNCDESC{};
    (*function)->memid = functions.at(index).memid;
    return S_OK;
}

HRESULT FakeTypeInfo::GetIDsOfNames(wchar_t** names, UINT count, MEMBERID* ids)
{
    ++getIDsOfNamesCalls;
    firstName = names[0]; // read even for no names, as the platform's type information does
    for (UINT index = 0; index < count; ++index)
    {
        ids[index] = kOwnAnswer;
    }
    return S_OK;
}

HRESULT FakeTypeInfo::Invoke(PVOID instance, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    invokedInstance = instance;
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT FakeTypeInfo::GetDocumentation(MEMBERID memid, BSTR* name, BSTR*, DWORD*, BSTR*)
{
    for (const Function& function : functions)
    {
        if (function.memid == memid && function.name != nullptr)
        {
            *name = SysAllocString(function.name);
            return S_OK;
        }
    }
    return TYPE_E_ELEMENTNOTFOUND;
}

HRESULT FakeTypeLib::GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** typeInfo)
{
    *typeInfo = nullptr;
    if (!IsEqualGUID(guid, m_iid))
    {
        return TYPE_E_ELEMENTNOTFOUND;
    }
    m_typeInfo.AddRef();
    *typeInfo = &m_typeInfo;
    return S_OK;
}
