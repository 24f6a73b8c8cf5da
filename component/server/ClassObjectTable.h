#pragma once

#include "component/server/CriticalSectionLock.h"
#include "component/server/ObjectMap.h"

#include <windows.h>

// The server's class objects: finds a class in the object map and creates its class object on the
// first request. Cached class objects are released when the table is destroyed at unload.
class CClassObjectTable
{
  public:
    CClassObjectTable(HINSTANCE typeLibraryInstance, ObjectMap objectMap, bool& startupFailure);
    CClassObjectTable(const CClassObjectTable&) = delete;
    CClassObjectTable& operator=(const CClassObjectTable&) = delete;
    ~CClassObjectTable();

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out);

    // The module whose resources hold the type library.
    HINSTANCE TypeLibraryInstance() const { return m_typeLibraryInstance; }

  private:
    ObjectMapEntry* FindCreatableEntry(REFCLSID clsid) const;
    HRESULT CreateCachedClassObject(ObjectMapEntry& entry);

    HINSTANCE m_typeLibraryInstance;
    ObjectMap m_objectMap;
    CriticalSectionLock m_objectMapLock; // guards only the lazy creation of class objects; the table is
                                         // initialised while it is
};
