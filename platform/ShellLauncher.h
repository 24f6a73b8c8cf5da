#pragma once

#include <windows.h>

namespace platform
{

class IShellLauncher
{
  public:
    virtual ~IShellLauncher() = default;
    // Starts file with the verb and parameters, no owner window, in the default working directory.
    virtual void Execute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, int show) = 0;
};

class SystemShellLauncher final : public IShellLauncher
{
  public:
    void Execute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, int show) override;
};

} // namespace platform
