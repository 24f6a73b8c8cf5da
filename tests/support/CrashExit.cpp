#include <windows.h>

#include "tests/support/CrashExit.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace test_support
{
namespace
{

std::atomic<const char*> g_suite = nullptr;
std::atomic<const char*> g_name = nullptr;

// Written straight to the handle: the runtime's stream lock may be held by the thread that crashed.
void Report(const char* what, DWORD code, const void* address)
{
    const char* suite = g_suite.load();
    const char* name = g_name.load();
    char program[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    char line[1024];
    const int length = std::snprintf(line, sizeof line, "%s: %s 0x%08lX at %p in thread %lu, test %s%s%s\n",
                                     program, what, static_cast<unsigned long>(code), address,
                                     GetCurrentThreadId(), suite != nullptr ? suite : "(none)",
                                     name != nullptr ? "." : "", name != nullptr ? name : "");
    // A longer line was cut short to the buffer; its length says how long it would have been.
    const DWORD size = length < 0 ? 0 : std::min(static_cast<DWORD>(length), DWORD{sizeof line - 1});
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, size, &written, nullptr);
}

// The program ends itself: only then does Wine hand its parent the exit code (its low byte), which must not
// read as success.
[[noreturn]] void End(DWORD code)
{
    TerminateProcess(GetCurrentProcess(), (code & 0xFF) != 0 ? code : code | 1);
    std::abort();
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    Report("unhandled exception", record.ExceptionCode, record.ExceptionAddress);
    End(record.ExceptionCode);
}

// An exception that leaves a thread's function or a destructor: the same report, and abort's exit code.
[[noreturn]] void OnTerminate()
{
    Report("std::terminate, exit code", 3, nullptr);
    End(3);
}

const bool g_installed = [] {
    SetUnhandledExceptionFilter(&OnUnhandledException);
    std::set_terminate(&OnTerminate);
    return true;
}();

} // namespace

void SetRunningTest(const char* suite, const char* name)
{
    g_name = nullptr;
    g_suite = suite;
    g_name = name;
}

} // namespace test_support
