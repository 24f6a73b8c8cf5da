#include "tests/support/Process.h"

#include <cstdio>

namespace test_support
{

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + text + L"\"";
}

platform::UniqueHandleObject StartProgram(std::wstring commandLine, HANDLE standardOutput,
                                          const wchar_t* environment)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    const bool redirected = standardOutput != nullptr;
    if (redirected)
    {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = standardOutput;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    const DWORD flags =
        (redirected ? CREATE_NO_WINDOW : 0) | (environment != nullptr ? CREATE_UNICODE_ENVIRONMENT : 0);
    PROCESS_INFORMATION process = {};
    // Under a loaded Wine a start is refused now and then (once in about ten full runs); the second try is
    // said on standard error, so that a refusal that repeats is not hidden.
    for (int attempt = 1; !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, redirected, flags,
                                          const_cast<wchar_t*>(environment), nullptr, &startup, &process);
         ++attempt)
    {
        std::fprintf(stderr, "CreateProcess failed with error %lu (attempt %d): %ls\n", GetLastError(),
                     attempt, commandLine.c_str());
        if (attempt == 2)
        {
            return {};
        }
        Sleep(200);
    }
    const platform::UniqueHandleObject thread(process.hThread);
    return platform::UniqueHandleObject(process.hProcess);
}

ProcessResult RunProcess(std::wstring commandLine, DWORD timeoutMs)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    platform::UniqueHandleObject reader;
    platform::UniqueHandleObject writer;
    if (!CreatePipe(reader.Put(), writer.Put(), &inherit, 0))
    {
        return {};
    }
    SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    const platform::UniqueHandleObject process = StartProgram(std::move(commandLine), writer.Get());
    // Only the child may hold the write end, so that reading ends when the child is done.
    writer.Reset();
    if (!process)
    {
        return {};
    }

    ProcessResult result;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        result.output.append(buffer, read);
    }
    WaitForSingleObject(process.Get(), timeoutMs);
    GetExitCodeProcess(process.Get(), &result.exitCode);
    return result;
}

DWORD RunToExit(std::wstring commandLine, DWORD timeoutMs)
{
    const platform::UniqueHandleObject process = StartProgram(std::move(commandLine));
    DWORD exitCode = kNoExitCode;
    if (process && WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0)
    {
        GetExitCodeProcess(process.Get(), &exitCode);
    }
    return exitCode;
}

} // namespace test_support
