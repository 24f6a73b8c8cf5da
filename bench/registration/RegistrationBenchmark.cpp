// Times the component's own registration: DllRegisterServer and DllUnregisterServer of the real Voltwise.dll
// (per machine), called in process one after the other, so that each run registers and removes everything.
// Usage: VoltwiseRegistrationBench [runs, default 20]; Voltwise.dll is loaded from beside the program.
#include <windows.h>

#include "bench/Figure.h"
#include "platform/ComApartment.h"
#include "tests/component/support/VoltwiseDll.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr int kDefaultRuns = 20;

using RegistrationExport = VoltwiseDll::RegistrationFunction;

RegistrationExport FindExport(const VoltwiseDll& dll, const char* name)
{
    return reinterpret_cast<RegistrationExport>(reinterpret_cast<void*>(GetProcAddress(dll.Module(), name)));
}

double Milliseconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end, const LARGE_INTEGER& frequency)
{
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

// Calls the export once and adds its time; false when it fails.
bool TimeCall(RegistrationExport call, const char* name, std::vector<double>& times)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const HRESULT result = call();
    QueryPerformanceCounter(&end);
    if (FAILED(result))
    {
        std::fprintf(stderr, "%s failed: 0x%08lX\n", name, static_cast<unsigned long>(result));
        return false;
    }
    times.push_back(Milliseconds(start, end, frequency));
    return true;
}

// Prints one row of the table and answers the median.
double PrintTimes(const char* name, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("  %-20s median %8.3f  min %8.3f  max %8.3f\n", name, median, times.front(), times.back());
    return median;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = argc > 1 ? _wtoi(argv[1]) : kDefaultRuns;
    if (runs <= 0)
    {
        std::fprintf(stderr, "usage: VoltwiseRegistrationBench [runs > 0]\n");
        return 2;
    }
    platform::ComApartmentScope apartment;
    const VoltwiseDll dll;
    const RegistrationExport registerServer = dll.Loaded() ? FindExport(dll, "DllRegisterServer") : nullptr;
    const RegistrationExport unregisterServer =
        dll.Loaded() ? FindExport(dll, "DllUnregisterServer") : nullptr;
    if (registerServer == nullptr || unregisterServer == nullptr)
    {
        std::fprintf(stderr, "cannot load Voltwise.dll with its registration exports\n");
        return 1;
    }

    std::vector<double> registering, unregistering;
    for (int run = 0; run < runs; ++run)
    {
        if (!TimeCall(registerServer, "DllRegisterServer", registering) ||
            !TimeCall(unregisterServer, "DllUnregisterServer", unregistering))
        {
            return 1;
        }
    }
    std::printf("%d runs, per machine; milliseconds per call:\n", runs);
    bench::PrintFigure("register_ms", PrintTimes("DllRegisterServer", registering));
    bench::PrintFigure("unregister_ms", PrintTimes("DllUnregisterServer", unregistering));
    return 0;
}
