#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"

#include <optional>
#include <string>
#include <vector>

// The debug output of programs, read the way a support engineer reads it under Wine: the programs run with
// WINEDEBUG=+pid,+debugstr, and Wine echoes their debug output, marked with their process ids, on the
// standard error they inherit from this program. ctest sends that into the file named by WINE_STDERR_FILE.
namespace debug_trace
{

// Starts a program with the debug-output channel on; the handle is empty when it could not start.
platform::UniqueHandleObject Start(const std::wstring& commandLine);
// Runs such a program to its end (at most the timeout) and answers its exit code, if it ended.
std::optional<DWORD> Run(const std::wstring& commandLine, DWORD& processId, DWORD timeoutMs = 60000);

// The debug-output lines of one process so far, as it wrote them, without their line breaks.
std::vector<std::string> Lines(DWORD processId);

} // namespace debug_trace
