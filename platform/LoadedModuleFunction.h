#pragma once

#include <windows.h>

// A function of a module that the process has already loaded, or null when the module is not loaded
// or lacks the function (older versions of Windows lack some).
template <typename Function>
Function FindLoadedModuleFunction(const wchar_t* moduleName, const char* functionName)
{
    const HMODULE module = GetModuleHandleW(moduleName);
    const FARPROC function = module != nullptr ? GetProcAddress(module, functionName) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(function));
}
