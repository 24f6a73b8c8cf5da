#pragma once

#include "component/server/Creator.h"

#include <windows.h>
#include <unknwn.h>

// Component-category rows of a class; defined with the registration that writes them.
struct ClassCategoryEntry;
// What a registration created, for its undo; defined with the registrar.
class RegistrationJournal;

// One offered class. Lives in writable memory: the class object is cached in it.
struct ObjectMapEntry
{
    const CLSID* clsid;
    // A registration records in the journal what it creates; unregistration passes none.
    HRESULT (*updateRegistry)(bool registering, RegistrationJournal* journal);
    Creator createClassObject; // null: the class cannot be obtained from outside
    Creator createInstance;    // handed to the class object as its context
    IUnknown* classObject;     // cached class object, null until the first request
    const ClassCategoryEntry* (*categoryMap)();
    void (*classHook)(bool starting);
};

// The classes a server offers: a run of entry pointers that may contain null slots.
struct ObjectMap
{
    ObjectMapEntry* const* first;
    ObjectMapEntry* const* last;

    // The first entry, in map order, that match accepts; null slots are passed over.
    template <typename Match> ObjectMapEntry* FindEntry(Match match) const
    {
        for (ObjectMapEntry* const* slot = first; slot != last; ++slot)
        {
            if (*slot != nullptr && match(**slot))
            {
                return *slot;
            }
        }
        return nullptr;
    }

    template <typename Visit> void ForEachEntry(Visit visit) const
    {
        FindEntry(
            [&](ObjectMapEntry& entry)
            {
                visit(entry);
                return false;
            });
    }
};

// This server's object map, defined with its classes at the top of the component: the frame names none.
ObjectMap VoltwiseObjectMap();
