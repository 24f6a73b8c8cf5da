#include "component/server/ClassObjectTable.h"

#include "component/server/PublishedPointer.h"
#include "platform/HResult.h"

CClassObjectTable::CClassObjectTable(HINSTANCE typeLibraryInstance, ObjectMap objectMap, bool& startupFailure)
    : m_typeLibraryInstance(typeLibraryInstance), m_objectMap(objectMap)
{
    m_objectMapLock.InitializeForRecord(startupFailure);
}

CClassObjectTable::~CClassObjectTable()
{
    if (!m_objectMapLock.Initialized())
    {
        return;
    }
    m_objectMap.ForEachEntry(
        [](ObjectMapEntry& entry)
        {
            if (IUnknown* classObject = entry.classObject)
            {
                entry.classObject = nullptr;
                classObject->Release();
            }
        });
}

HRESULT CClassObjectTable::GetClassObject(REFCLSID clsid, REFIID iid, void** out)
{
    RETURN_HR_IF(E_POINTER, out == nullptr);
    *out = nullptr;
    RETURN_HR_IF(E_UNEXPECTED, !m_objectMapLock.Initialized());
    ObjectMapEntry* entry = FindCreatableEntry(clsid);
    RETURN_HR_IF(CLASS_E_CLASSNOTAVAILABLE, entry == nullptr);
    HRESULT hr = S_OK;
    if (LoadPublished(entry->classObject) == nullptr)
    {
        hr = CreateCachedClassObject(*entry);
    }
    if (IUnknown* classObject = LoadPublished(entry->classObject))
    {
        hr = classObject->QueryInterface(iid, out);
    }
    if (*out == nullptr && hr == S_OK)
    {
        RETURN_HR(CLASS_E_CLASSNOTAVAILABLE); // a success that produced no object
    }
    return hr;
}

ObjectMapEntry* CClassObjectTable::FindCreatableEntry(REFCLSID clsid) const
{
    return m_objectMap.FindEntry(
        [&](const ObjectMapEntry& entry)
        { return entry.createClassObject != nullptr && IsEqualGUID(*entry.clsid, clsid); });
}

HRESULT CClassObjectTable::CreateCachedClassObject(ObjectMapEntry& entry)
{
    // Checked again under the lock so that concurrent first requests create exactly one class object.
    CriticalSectionLock::Guard guard(m_objectMapLock);
    if (LoadPublished(entry.classObject) != nullptr)
    {
        return S_OK;
    }
    IUnknown* created = nullptr;
    const HRESULT hr = entry.createClassObject(reinterpret_cast<void*>(entry.createInstance), IID_IUnknown,
                                               reinterpret_cast<void**>(&created));
    Publish(entry.classObject, created);
    return hr;
}
