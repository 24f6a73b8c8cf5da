// Prints the cost of calling GetRemainingTime directly and through dispatch, in ns per call.
// Registers the component's type library for the run and unregisters it afterwards.
#include <windows.h>
#include <oleauto.h>

#include "bench/Figure.h"
#include "component/automation/IBatteryRemainingTime.h"
#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"
#include "tests/component/support/TypeLibraryRegistration.h"
#include "tests/component/support/VoltwiseDll.h"

#include <cstdio>

namespace
{

constexpr int kCalls = 200000;
constexpr LCID kEnglishUs = 0x409;

// Runs call kCalls times and answers the mean in nanoseconds.
template <typename Call> double NanosecondsPerCall(Call call)
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int index = 0; index < kCalls; ++index)
    {
        call();
    }
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e9 /
           static_cast<double>(frequency.QuadPart) / kCalls;
}

int Run()
{
    VoltwiseDll dll;
    TypeLibraryRegistration registration(VoltwiseDll::Path());
    if (!dll.Loaded() || FAILED(registration.Result()))
    {
        std::fprintf(stderr, "cannot load Voltwise.dll or register its type library (0x%08lX)\n",
                     static_cast<unsigned long>(registration.Result()));
        return 1;
    }
    platform::ComPtr<IClassFactory> factory;
    platform::ComPtr<IBatteryRemainingTime> battery;
    if (FAILED(dll.GetClassObject(CLSID_BatteryRemainingTime, IID_IClassFactory, factory.PutVoid())) ||
        FAILED(factory->CreateInstance(nullptr, IID_IBatteryRemainingTime, battery.PutVoid())))
    {
        std::fprintf(stderr, "cannot create the battery object\n");
        return 1;
    }

    long minutes = 0;
    DISPPARAMS noArguments{};
    VARIANT result;
    VariantInit(&result);
    wchar_t* cachedName = const_cast<wchar_t*>(L"GetRemainingTime");
    wchar_t* missedName = const_cast<wchar_t*>(L"getremainingtime");
    DISPID id = 0;
    // The first dispatch call loads the type information; it is not part of the figures.
    battery->GetIDsOfNames(IID_NULL, &cachedName, 1, kEnglishUs, &id);

    const double direct = NanosecondsPerCall([&] { battery->GetRemainingTime(&minutes); });
    const double invoke = NanosecondsPerCall(
        [&]
        {
            battery->Invoke(kDispIdGetRemainingTime, IID_NULL, kEnglishUs, DISPATCH_METHOD, &noArguments,
                            &result, nullptr, nullptr);
        });
    const double cached =
        NanosecondsPerCall([&] { battery->GetIDsOfNames(IID_NULL, &cachedName, 1, kEnglishUs, &id); });
    const double missed =
        NanosecondsPerCall([&] { battery->GetIDsOfNames(IID_NULL, &missedName, 1, kEnglishUs, &id); });

    std::printf("calls per figure                     %d\n", kCalls);
    std::printf("direct GetRemainingTime              %10.1f ns/call\n", direct);
    std::printf("Invoke by DISPID                     %10.1f ns/call\n", invoke);
    std::printf("GetIDsOfNames, name in the cache     %10.1f ns/call\n", cached);
    std::printf("GetIDsOfNames, name the cache misses %10.1f ns/call\n", missed);
    std::printf("Invoke / direct                      %10.2f\n", invoke / direct);
    bench::PrintFigure("direct_ns", direct);
    bench::PrintFigure("invoke_ns", invoke);
    bench::PrintFigure("names_cached_ns", cached);
    bench::PrintFigure("names_missed_ns", missed);
    bench::PrintFigure("invoke_direct_ratio", invoke / direct);
    return 0;
}

} // namespace

int main()
{
    return Run();
}
