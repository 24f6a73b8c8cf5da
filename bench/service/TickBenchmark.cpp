// Runs the service's tick against the real platform for a few seconds of idle (nothing changes, no
// commands) and prints what one idle tick costs. Then, if given the path of TellmarkSvc.exe, runs the real
// service idle for as long and prints its CPU time and private memory as the system accounts them.
// Usage: TellmarkSvcBench [idle ticks, default 50] [path of TellmarkSvc.exe]
#include <windows.h>
#include <winternl.h>

#include "bench/Figure.h"
#include "bench/service/CountingRegistry.h"
#include "platform/ComApartment.h"
#include "platform/UniqueHandle.h"
#include "service/PollingLoop.h"
#include "service/RegistrySchema.h"
#include "service/StartUp.h"
#include "service/SystemDevices.h"
#include "tests/support/Process.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

constexpr int kDefaultIdleTicks = 50;
constexpr double kHundredNanosecondsPerMillisecond = 10000.0;

double ProcessCpuMilliseconds()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    const auto ticks = [](const FILETIME& time)
    { return static_cast<double>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime); };
    return (ticks(kernel) + ticks(user)) / kHundredNanosecondsPerMillisecond;
}

double NowMilliseconds()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The one sleeper the benchmark needs: real pauses, while it adds up the time spent in the ticks between
// them.
class MeasuringSleeper final : public platform::ISleeper
{
  public:
    void Sleep(DWORD milliseconds) override
    {
        m_tickMilliseconds += NowMilliseconds() - m_tickStart;
        ::Sleep(milliseconds);
        m_tickStart = NowMilliseconds();
    }
    void StartTick() { m_tickStart = NowMilliseconds(); }
    double TickMilliseconds() const { return m_tickMilliseconds; }

  private:
    double m_tickStart = 0.0;
    double m_tickMilliseconds = 0.0;
};

struct ProcessFigures
{
    double cpuMilliseconds;
    SIZE_T privateBytes;
};

// Wine reports other processes' times only through the system process list (10 ms granularity).
bool QueryProcessFigures(DWORD processId, ProcessFigures& figures)
{
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    if (NtQuerySystemInformation(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                 &needed) != 0)
    {
        return false;
    }
    for (size_t offset = 0;;)
    {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (reinterpret_cast<ULONG_PTR>(entry->UniqueProcessId) == processId)
        {
            const auto* times = reinterpret_cast<const LARGE_INTEGER*>(&entry->UserTime);
            figures.cpuMilliseconds = static_cast<double>(times[0].QuadPart + times[1].QuadPart) /
                                      kHundredNanosecondsPerMillisecond;
            figures.privateBytes = entry->VirtualMemoryCounters.PagefileUsage;
            return true;
        }
        if (entry->NextEntryOffset == 0)
        {
            return false;
        }
        offset += entry->NextEntryOffset;
    }
}

void MeasureRealService(const wchar_t* path, int idleTicks)
{
    const platform::UniqueHandleObject serviceProcess =
        test_support::StartProgram(test_support::Quoted(path));
    if (!serviceProcess)
    {
        std::printf("TellmarkSvc.exe could not be started (error %lu)\n", GetLastError());
        return;
    }
    const DWORD processId = GetProcessId(serviceProcess.Get());
    // One second to start up and publish, then the same idle span as above.
    Sleep(1000);
    ProcessFigures before = {}, after = {};
    bool measured = QueryProcessFigures(processId, before);
    Sleep(static_cast<DWORD>(idleTicks) * service::kTickPauseMilliseconds);
    measured = measured && QueryProcessFigures(processId, after);
    platform::ShellRegistry().WriteNumber(service::schema::kProductKey, service::schema::kStopService,
                                          service::schema::kStopRequested);
    WaitForSingleObject(serviceProcess.Get(), 5000);
    if (!measured)
    {
        std::printf("TellmarkSvc.exe: no figures from the system process list\n");
        return;
    }
    const double cpuPerTick = (after.cpuMilliseconds - before.cpuMilliseconds) / idleTicks;
    const double privateKib = static_cast<double>(after.privateBytes) / 1024.0;
    std::printf(
        "TellmarkSvc.exe idle: CPU %.1f ms over %d ticks (%.3f ms per tick), private memory %.1f KiB\n",
        after.cpuMilliseconds - before.cpuMilliseconds, idleTicks, cpuPerTick, privateKib);
    bench::PrintFigure("service_cpu_ms_per_tick", cpuPerTick);
    bench::PrintFigure("service_private_kib", privateKib);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int idleTicks = argc > 1 ? _wtoi(argv[1]) : kDefaultIdleTicks;
    if (idleTicks <= 0)
    {
        std::fprintf(stderr, "usage: TellmarkSvcBench [idle ticks > 0] [path of TellmarkSvc.exe]\n");
        return 2;
    }

    platform::ShellRegistry shellRegistry;
    bench::CountingRegistry registry(shellRegistry);
    service::ResetRegistryArea(registry);
    platform::ComApartmentScope apartment;
    service::SystemDevices devices;
    MeasuringSleeper sleeper;
    service::ServicePlatform system = devices.With(registry, sleeper);
    service::LoopState state;

    // The first tick publishes every status value; the idle ticks after it should write nothing.
    registry.ResetCounts();
    service::RunTick(state, system);
    std::printf("first tick:     %u registry reads, %u writes\n", registry.Reads(), registry.Writes());
    Sleep(service::kTickPauseMilliseconds);

    registry.ResetCounts();
    const double cpuBefore = ProcessCpuMilliseconds();
    sleeper.StartTick();
    for (int tick = 0; tick < idleTicks; ++tick)
    {
        service::RunTick(state, system);
        sleeper.Sleep(service::kTickPauseMilliseconds);
    }
    const double cpu = ProcessCpuMilliseconds() - cpuBefore;

    ProcessFigures own = {};
    QueryProcessFigures(GetCurrentProcessId(), own);

    std::printf("idle ticks:     %d (100 ms apart)\n", idleTicks);
    std::printf("CPU per tick:   %.3f ms (process CPU time incl. pauses: %.1f ms over the run)\n",
                cpu / idleTicks, cpu);
    std::printf("wall per tick:  %.3f ms of work between pauses\n", sleeper.TickMilliseconds() / idleTicks);
    std::printf("registry reads per idle tick:  %.2f\n", static_cast<double>(registry.Reads()) / idleTicks);
    std::printf("registry writes per idle tick: %.2f\n", static_cast<double>(registry.Writes()) / idleTicks);
    std::printf("private memory: %.1f KiB (this benchmark process)\n",
                static_cast<double>(own.privateBytes) / 1024.0);
    bench::PrintFigure("tick_cpu_ms", cpu / idleTicks);
    bench::PrintFigure("tick_wall_ms", sleeper.TickMilliseconds() / idleTicks);
    bench::PrintFigure("registry_reads_per_tick", static_cast<double>(registry.Reads()) / idleTicks);
    bench::PrintFigure("registry_writes_per_tick", static_cast<double>(registry.Writes()) / idleTicks);
    shellRegistry.DeleteKeyTree(service::schema::kProductKey);

    if (argc > 2)
    {
        MeasureRealService(argv[2], idleTicks);
    }
    return 0;
}
