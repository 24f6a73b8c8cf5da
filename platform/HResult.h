#pragma once

#include <windows.h>

#include "platform/Diagnostics.h"

// Early-return helpers: one line per call, the happy path reads top to bottom. Each failure is reported once,
// where it arises: the RETURN_ macros report what they return through the diagnostics funnel, and
// PROPAGATE_IF_FAILED passes on the failure of a call of our own, which has reported it already.

#define RETURN_HR(result)                                                                                    \
    do                                                                                                       \
    {                                                                                                        \
        const HRESULT hrReturned = (result);                                                                 \
        ::platform::ReportFailure(PLATFORM_FAILURE_SITE, hrReturned);                                        \
        return hrReturned;                                                                                   \
    } while (false)

#define RETURN_HR_IF(result, condition)                                                                      \
    do                                                                                                       \
    {                                                                                                        \
        if (condition)                                                                                       \
        {                                                                                                    \
            RETURN_HR(result);                                                                               \
        }                                                                                                    \
    } while (false)

#define RETURN_IF_FAILED(expression)                                                                         \
    do                                                                                                       \
    {                                                                                                        \
        const HRESULT hrReturnIfFailed = (expression);                                                       \
        if (FAILED(hrReturnIfFailed))                                                                        \
        {                                                                                                    \
            RETURN_HR(hrReturnIfFailed);                                                                     \
        }                                                                                                    \
    } while (false)

#define RETURN_IF_WIN32_ERROR(expression)                                                                    \
    do                                                                                                       \
    {                                                                                                        \
        const LSTATUS errorReturnIfWin32Error = (expression);                                                \
        if (errorReturnIfWin32Error != ERROR_SUCCESS)                                                        \
        {                                                                                                    \
            RETURN_HR(::platform::HResultFromWin32(errorReturnIfWin32Error));                                \
        }                                                                                                    \
    } while (false)

#define RETURN_IF_NULL_ALLOC(pointer)                                                                        \
    do                                                                                                       \
    {                                                                                                        \
        if ((pointer) == nullptr)                                                                            \
        {                                                                                                    \
            RETURN_HR(E_OUTOFMEMORY);                                                                        \
        }                                                                                                    \
    } while (false)

#define RETURN_LAST_ERROR_IF_FALSE(condition)                                                                \
    do                                                                                                       \
    {                                                                                                        \
        if (!(condition))                                                                                    \
        {                                                                                                    \
            RETURN_HR(::platform::HResultFromLastError());                                                   \
        }                                                                                                    \
    } while (false)

#define PROPAGATE_IF_FAILED(expression)                                                                      \
    do                                                                                                       \
    {                                                                                                        \
        const HRESULT hrPropagated = (expression);                                                           \
        if (FAILED(hrPropagated))                                                                            \
        {                                                                                                    \
            return hrPropagated;                                                                             \
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
