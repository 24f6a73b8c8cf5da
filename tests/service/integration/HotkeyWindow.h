#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

#include <string>

namespace service::integration
{

// The tests' stand-in for the hotkey program, HotkeyWindow.exe from beside the test program: a window with
// the given title that appends every relay message it receives to the log; ended when the object goes away.
class HotkeyWindow
{
  public:
    HotkeyWindow(const wchar_t* title, const std::wstring& log);
    HotkeyWindow(const HotkeyWindow&) = delete;
    HotkeyWindow& operator=(const HotkeyWindow&) = delete;
    ~HotkeyWindow();

    bool Shown() const { return m_shown; }

  private:
    platform::UniqueHandleObject m_process;
    bool m_shown = false;
};

} // namespace service::integration
