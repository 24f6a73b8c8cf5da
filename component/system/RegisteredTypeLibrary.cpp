#include "component/system/RegisteredTypeLibrary.h"

#include <oleauto.h>

HRESULT LoadRegisteredTypeLibrary(REFGUID libid, WORD majorVersion, WORD minorVersion, LCID lcid,
                                  ITypeLib** library)
{
    return LoadRegTypeLib(libid, majorVersion, minorVersion, lcid, library);
}
