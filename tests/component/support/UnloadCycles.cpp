#include "tests/component/support/UnloadCycles.h"

#include <objbase.h>
#include <olectl.h>
#include <oleauto.h>

#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"

#include <vector>

namespace unload_cycles
{
namespace
{

constexpr int kSettlingRounds = 20;
constexpr wchar_t kModuleName[] = L"Voltwise.dll";

size_t HeapBytesInUse()
{
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    size_t total = 0;
    for (HANDLE heap : heaps)
    {
        HeapLock(heap);
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry))
        {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0)
            {
                total += entry.cbData;
            }
        }
        HeapUnlock(heap);
    }
    return total;
}

bool Unloaded()
{
    return GetModuleHandleW(kModuleName) == nullptr;
}

} // namespace

Measurement Measure(int cycles, const std::function<bool()>& round)
{
    for (int index = 0; index < kSettlingRounds; ++index)
    {
        round();
    }
    Measurement measurement;
    measurement.cycles = cycles;
    const size_t before = HeapBytesInUse();
    for (int index = 0; index < cycles; ++index)
    {
        measurement.cyclesLeftLoaded += round() ? 0 : 1;
    }
    const size_t after = HeapBytesInUse();
    measurement.heapBytesPerCycle =
        (static_cast<double>(after) - static_cast<double>(before)) / static_cast<double>(cycles);
    return measurement;
}

HRESULT CallRegistrationExport(const std::wstring& path, const char* exportName)
{
    const HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr)
    {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    using Export = decltype(&DllRegisterServer);
    const auto function =
        reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(module, exportName)));
    const HRESULT result = function != nullptr ? function() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    FreeLibrary(module);
    return result;
}

bool ComRound()
{
    {
        platform::ComPtr<IDispatch> battery;
        if (FAILED(CoCreateInstance(CLSID_BatteryRemainingTime, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                    battery.PutVoid())))
        {
            return false;
        }
        DISPPARAMS noArguments{};
        VARIANT result;
        VariantInit(&result);
        if (FAILED(battery->Invoke(kDispIdGetRemainingTime, IID_NULL, 0, DISPATCH_METHOD, &noArguments,
                                   &result, nullptr, nullptr)))
        {
            return false;
        }
        VariantClear(&result);
    }
    CoFreeUnusedLibrariesEx(0, 0);
    return Unloaded();
}

bool LibraryRound(const std::wstring& path)
{
    const HMODULE module = LoadLibraryW(path.c_str());
    if (module == nullptr)
    {
        return false;
    }
    FreeLibrary(module);
    return Unloaded();
}

} // namespace unload_cycles
