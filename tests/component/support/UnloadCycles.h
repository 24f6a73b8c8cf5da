#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Loading and unloading Voltwise.dll over and over, the way script hosts do, and what that costs the process.
namespace unload_cycles
{

struct Measurement
{
    int cycles = 0;
    int cyclesLeftLoaded = 0;       // cycles after which the DLL was still in the process
    double heapBytesPerCycle = 0.0; // growth of the bytes in use in all of the process's heaps
};

// Runs round a few times to settle the process's own caches, then cycles times, measuring the heaps around
// it. round answers whether the DLL was unloaded at its end.
Measurement Measure(int cycles, const std::function<bool()>& round);

// Calls DllRegisterServer or DllUnregisterServer of the file, loading it for the call only.
HRESULT CallRegistrationExport(const std::wstring& path, const char* exportName);

// One round through COM: create the class by its CLSID, call GetRemainingTime through Invoke, release, and
// let COM free idle in-process servers. Needs the class and its type library registered.
bool ComRound();

// One round of LoadLibrary and FreeLibrary on the file.
bool LibraryRound(const std::wstring& path);

} // namespace unload_cycles
