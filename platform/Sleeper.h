#pragma once

#include <windows.h>

namespace platform
{

class ISleeper
{
  public:
    virtual ~ISleeper() = default;
    virtual void Sleep(DWORD milliseconds) = 0;
};

class SystemSleeper final : public ISleeper
{
  public:
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
};

} // namespace platform
