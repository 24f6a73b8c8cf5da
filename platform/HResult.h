#pragma once

#include <windows.h>

// Early-return helpers: one line per call, the happy path reads top to bottom.

#define RETURN_IF_FAILED(expression)                                                                         \
    do                                                                                                       \
    {                                                                                                        \
        const HRESULT hrReturnIfFailed = (expression);                                                       \
        if (FAILED(hrReturnIfFailed))                                                                        \
        {                                                                                                    \
            return hrReturnIfFailed;                                                                         \
        }                                                                                                    \
    } while (false)

#define RETURN_IF_NULL_ALLOC(pointer)                                                                        \
    do                                                                                                       \
    {                                                                                                        \
        if ((pointer) == nullptr)                                                                            \
        {                                                                                                    \
            return E_OUTOFMEMORY;                                                                            \
        }                                                                                                    \
    } while (false)

#define RETURN_LAST_ERROR_IF_FALSE(condition)                                                                \
    do                                                                                                       \
    {                                                                                                        \
        if (!(condition))                                                                                    \
        {                                                                                                    \
            return platform::HResultFromLastError();                                                         \
        }                                                                                                    \
    } while (false)

namespace platform
{

// 0 and negative codes pass unchanged; others become 0x8007xxxx with the low 16 bits of the code.
constexpr HRESULT HResultFromWin32(long error)
{
    return error <= 0 ? static_cast<HRESULT>(error)
                      : static_cast<HRESULT>((static_cast<unsigned long>(error) & 0x0000FFFF) | 0x80070000);
}

// A call that failed without setting an error still failed: it never becomes S_OK.
inline HRESULT HResultFromLastError()
{
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HResultFromWin32(static_cast<long>(error));
}

} // namespace platform
