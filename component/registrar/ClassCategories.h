#pragma once

#include <windows.h>
#include <comcat.h>

// One component category that a class implements or requires; a table of them ends with a null catid.
struct ClassCategoryEntry
{
    enum class Kind
    {
        Implemented,
        Required,
    };
    Kind kind;
    const CATID* catid;
};

// Records or removes the categories of a class through the system's component categories manager.
// Registration hands every class's table here: the battery class names none, a class added later may.
// Nothing to do without a table or for the null class identifier.
HRESULT RegisterClassCategories(REFCLSID clsid, const ClassCategoryEntry* categories, bool registering);
