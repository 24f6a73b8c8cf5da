#include <windows.h>
#include <shellapi.h>

#include "platform/ShellLauncher.h"

#include "platform/HResult.h"

namespace platform
{

void SystemShellLauncher::Execute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  int show)
{
    // Values of 32 and below are errors.
    if (reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, verb, file, parameters, nullptr, show)) <= 32)
    {
        ReportFailure(PLATFORM_FAILURE_SITE, HResultFromLastError(), file);
    }
}

} // namespace platform
