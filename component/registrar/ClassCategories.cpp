#include "component/registrar/ClassCategories.h"

#include "platform/ComPtr.h"
#include "platform/HResult.h"

#include <memory>
#include <new>

namespace
{

// The categories of one kind from the table, in table order.
struct CategoryList
{
    std::unique_ptr<CATID[]> ids;
    ULONG count = 0;
};

HRESULT CollectCategories(const ClassCategoryEntry* categories, ClassCategoryEntry::Kind kind,
                          CategoryList& list)
{
    ULONG count = 0;
    for (const ClassCategoryEntry* entry = categories; entry->catid != nullptr; ++entry)
    {
        count += entry->kind == kind ? 1 : 0;
    }
    if (count == 0)
    {
        return S_OK;
    }
    list.ids.reset(new (std::nothrow) CATID[count]);
    RETURN_IF_NULL_ALLOC(list.ids);
    for (const ClassCategoryEntry* entry = categories; entry->catid != nullptr; ++entry)
    {
        if (entry->kind == kind)
        {
            list.ids[list.count++] = *entry->catid;
        }
    }
    return S_OK;
}

HRESULT UpdateCategories(ICatRegister* manager, REFCLSID clsid, const CategoryList& list, bool implemented,
                         bool registering)
{
    if (list.count == 0)
    {
        return S_OK;
    }
    CLSID classId = clsid;
    if (implemented)
    {
        RETURN_IF_FAILED(registering
                             ? manager->RegisterClassImplCategories(classId, list.count, list.ids.get())
                             : manager->UnRegisterClassImplCategories(classId, list.count, list.ids.get()));
        return S_OK;
    }
    RETURN_IF_FAILED(registering
                         ? manager->RegisterClassReqCategories(classId, list.count, list.ids.get())
                         : manager->UnRegisterClassReqCategories(classId, list.count, list.ids.get()));
    return S_OK;
}

} // namespace

HRESULT RegisterClassCategories(REFCLSID clsid, const ClassCategoryEntry* categories, bool registering)
{
    if (categories == nullptr || IsEqualCLSID(clsid, CLSID_NULL))
    {
        return S_OK;
    }
    CategoryList implemented;
    PROPAGATE_IF_FAILED(CollectCategories(categories, ClassCategoryEntry::Kind::Implemented, implemented));
    CategoryList required;
    PROPAGATE_IF_FAILED(CollectCategories(categories, ClassCategoryEntry::Kind::Required, required));
    platform::ComPtr<ICatRegister> manager;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_PPV_ARGS(manager.Put())));
    PROPAGATE_IF_FAILED(UpdateCategories(manager.Get(), clsid, implemented, true, registering));
    return UpdateCategories(manager.Get(), clsid, required, false, registering);
}
