#pragma once

#include <windows.h>
#include <oaidl.h>

// Loads a type library through its registration.
HRESULT LoadRegisteredTypeLibrary(REFGUID libid, WORD majorVersion, WORD minorVersion, LCID lcid,
                                  ITypeLib** library);
