#pragma once

#include <windows.h>

#include "platform/HResult.h"

namespace platform
{

// The module's full file name. A name that fills the whole buffer may be cut short, so it is refused.
inline HRESULT GetModuleFileName(HINSTANCE module, wchar_t (&file)[MAX_PATH])
{
    const DWORD length = GetModuleFileNameW(module, file, MAX_PATH);
    RETURN_HR_IF(HResultFromLastError(), length == 0);
    RETURN_HR_IF(HResultFromWin32(ERROR_INSUFFICIENT_BUFFER), length == MAX_PATH);
    return S_OK;
}

} // namespace platform
