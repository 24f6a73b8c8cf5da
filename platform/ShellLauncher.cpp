#include <windows.h>
#include <shellapi.h>

#include "platform/ShellLauncher.h"

namespace platform
{

void SystemShellLauncher::Execute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  int show)
{
    ShellExecuteW(nullptr, verb, file, parameters, nullptr, show);
}

} // namespace platform
