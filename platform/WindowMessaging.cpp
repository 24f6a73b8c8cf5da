#include <windows.h>

#include "platform/WindowMessaging.h"

#include "platform/HResult.h"

namespace platform
{

HWND SystemWindowMessaging::FindByTitle(const wchar_t* title)
{
    return FindWindowW(nullptr, title);
}

void SystemWindowMessaging::Post(HWND window, UINT message, WPARAM first, LPARAM second)
{
    if (!PostMessageW(window, message, first, second))
    {
        ReportFailure(PLATFORM_FAILURE_SITE, HResultFromLastError(), L"hotkey request");
    }
}

} // namespace platform
