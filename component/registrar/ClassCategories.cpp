#include "component/registrar/ClassCategories.h"

#include "platform/ComPtr.h"
#include "platform/HResult.h"

#include <vector>

namespace
{

HRESULT UpdateCategories(ICatRegister* manager, REFCLSID clsid, std::vector<CATID>& ids, bool implemented,
                         bool registering)
{
    if (ids.empty())
    {
        return S_OK;
    }
    CLSID classId = clsid;
    const ULONG count = static_cast<ULONG>(ids.size());
    if (implemented)
    {
        return registering ? manager->RegisterClassImplCategories(classId, count, ids.data())
                           : manager->UnRegisterClassImplCategories(classId, count, ids.data());
    }
    return registering ? manager->RegisterClassReqCategories(classId, count, ids.data())
                       : manager->UnRegisterClassReqCategories(classId, count, ids.data());
}

} // namespace

HRESULT RegisterClassCategories(REFCLSID clsid, const ClassCategoryEntry* categories, bool registering)
{
    if (categories == nullptr || IsEqualCLSID(clsid, CLSID_NULL))
    {
        return S_OK;
    }
    std::vector<CATID> implemented;
    std::vector<CATID> required;
    try
    {
        for (; categories->catid != nullptr; ++categories)
        {
            const bool isImplemented = categories->kind == ClassCategoryEntry::Kind::Implemented;
            (isImplemented ? implemented : required).push_back(*categories->catid);
        }
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
    platform::ComPtr<ICatRegister> manager;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ICatRegister, manager.PutVoid()));
    RETURN_IF_FAILED(UpdateCategories(manager.Get(), clsid, implemented, true, registering));
    return UpdateCategories(manager.Get(), clsid, required, false, registering);
}
