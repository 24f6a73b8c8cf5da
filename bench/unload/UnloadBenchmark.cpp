// Prints what each unload and reload of Voltwise.dll leaves in the process's heaps, through COM and through
// LoadLibrary/FreeLibrary. Registers the copy beside this program per machine for the run.
#include <windows.h>
#include <objbase.h>

#include "bench/Figure.h"
#include "tests/component/support/UnloadCycles.h"
#include "tests/component/support/VoltwiseDll.h"

#include <cstdio>

namespace
{

constexpr int kCycles = 400;

int Run()
{
    const HRESULT registered =
        unload_cycles::CallRegistrationExport(VoltwiseDll::Path(), "DllRegisterServer");
    if (FAILED(registered))
    {
        std::fprintf(stderr, "cannot register Voltwise.dll (0x%08lX)\n",
                     static_cast<unsigned long>(registered));
        return 1;
    }
    const unload_cycles::Measurement com = unload_cycles::Measure(kCycles, unload_cycles::ComRound);
    const unload_cycles::Measurement library =
        unload_cycles::Measure(kCycles, [] { return unload_cycles::LibraryRound(VoltwiseDll::Path()); });
    unload_cycles::CallRegistrationExport(VoltwiseDll::Path(), "DllUnregisterServer");
    if (com.cyclesLeftLoaded != 0 || library.cyclesLeftLoaded != 0)
    {
        std::fprintf(stderr, "Voltwise.dll stayed loaded after %d COM and %d library cycles\n",
                     com.cyclesLeftLoaded, library.cyclesLeftLoaded);
        return 1;
    }
    bench::PrintFigure("heap_bytes_per_com_cycle", com.heapBytesPerCycle);
    bench::PrintFigure("heap_bytes_per_library_cycle", library.heapBytesPerCycle);
    return 0;
}

} // namespace

int main()
{
    CoInitialize(nullptr);
    const int exitCode = Run();
    CoUninitialize();
    return exitCode;
}
