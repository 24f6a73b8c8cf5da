#pragma once

#include <windows.h>

#include "platform/HResult.h"

namespace platform
{

// The module's full file name. A name that fills the whole buffer may be cut short, so it is refused.
inline HRESULT GetModuleFileName(HINSTANCE module, wchar_t (&file)[MAX_PATH])
{
    const DWORD length = GetModuleFileNameW(module, file, MAX_PATH);
    if (length == 0)
    {
        RETURN_HR(HResultFromLastError());
    }
    if (length == MAX_PATH)
    {
        RETURN_HR(HResultFromWin32(ERROR_INSUFFICIENT_BUFFER));
    }
    return S_OK;
}

} // namespace platform
