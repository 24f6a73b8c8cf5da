#include <windows.h>

#include "platform/WindowMessaging.h"

namespace platform
{

HWND SystemWindowMessaging::FindByTitle(const wchar_t* title)
{
    return FindWindowW(nullptr, title);
}

void SystemWindowMessaging::Post(HWND window, UINT message, WPARAM first, LPARAM second)
{
    PostMessageW(window, message, first, second);
}

} // namespace platform
