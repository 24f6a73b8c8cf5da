#pragma once

#include <windows.h>
#include <oaidl.h>

// Loads the type library out of the module's own file, or else from the ".tlb" file of the same name
// beside it. Hands out the library and the path it came from; the caller releases the library (also
// on failure) and frees the path.
HRESULT LoadModuleTypeLibrary(HINSTANCE module, BSTR* path, ITypeLib** library);
