#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

#include <string>

// Starting other programs from test and benchmark programs, optionally collecting their output.
namespace test_support
{

constexpr DWORD kNoExitCode = 0xFFFFFFFF;
constexpr DWORD kDefaultRunTimeoutMs = 60000;

std::wstring Quoted(const std::wstring& text);

// Starts a program with the command line; the process handle is empty when it could not start. Given a
// handle for standard output, the program writes there and gets no console window of its own. environment: a
// block for CREATE_UNICODE_ENVIRONMENT, or null for this program's own.
platform::UniqueHandleObject StartProgram(std::wstring commandLine, HANDLE standardOutput = nullptr,
                                          const wchar_t* environment = nullptr);

struct ProcessResult
{
    DWORD exitCode = kNoExitCode;
    std::string output;
};

// Runs a command line to its end (waiting at most the timeout once its output is closed) and collects
// what it writes to standard output.
ProcessResult RunProcess(std::wstring commandLine, DWORD timeoutMs = kDefaultRunTimeoutMs);

// Runs a command line to its end and gives its exit code (kNoExitCode when it did not start or end in time),
// without collecting output: for programs that start others, which would keep an output pipe open.
DWORD RunToExit(std::wstring commandLine, DWORD timeoutMs = kDefaultRunTimeoutMs);

} // namespace test_support
