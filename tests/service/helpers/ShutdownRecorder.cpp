// Stands in for the system's shutdown.exe in tests: appends its parameters and the window state it was
// asked for to shutdown-recorder.log next to itself, and does nothing else.
#include <windows.h>

#include "tests/service/helpers/AppendLine.h"

#include <string>

namespace
{

const wchar_t* SkipProgramName(const wchar_t* commandLine)
{
    const wchar_t* cursor = commandLine;
    if (*cursor == L'"')
    {
        for (++cursor; *cursor != L'\0' && *cursor != L'"'; ++cursor)
        {
        }
        if (*cursor == L'"')
        {
            ++cursor;
        }
    }
    else
    {
        while (*cursor != L'\0' && *cursor != L' ' && *cursor != L'\t')
        {
            ++cursor;
        }
    }
    while (*cursor == L' ' || *cursor == L'\t')
    {
        ++cursor;
    }
    return cursor;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring log(path, length);
    log.replace(log.find_last_of(L'\\') + 1, std::wstring::npos, L"shutdown-recorder.log");

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    const bool hidden = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;

    const std::wstring line =
        std::wstring(SkipProgramName(GetCommandLineW())) + (hidden ? L"|hidden" : L"|shown");
    AppendLine(log.c_str(), std::string(line.begin(), line.end())); // parameters are ASCII
    return 0;
}
