#pragma once

#include <windows.h>

namespace platform
{

class IWindowMessaging
{
  public:
    virtual ~IWindowMessaging() = default;
    // Any top-level window with this title, of any class; null when there is none.
    virtual HWND FindByTitle(const wchar_t* title) = 0;
    virtual void Post(HWND window, UINT message, WPARAM first, LPARAM second) = 0;
};

class SystemWindowMessaging final : public IWindowMessaging
{
  public:
    HWND FindByTitle(const wchar_t* title) override;
    void Post(HWND window, UINT message, WPARAM first, LPARAM second) override;
};

} // namespace platform
