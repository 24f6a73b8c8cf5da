#pragma once

#include <windows.h>
#include <oaidl.h>

// What the DLL a test loads owes to its bitness, which is the test program's own: the system kind of its
// type library, and the function-table offset of GetRemainingTime after the seven inherited entries.
constexpr SYSKIND kDllSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
constexpr SHORT kMethodTableOffset = sizeof(void*) == 8 ? 56 : 28;
