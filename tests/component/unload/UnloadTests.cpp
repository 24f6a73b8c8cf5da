#include <windows.h>
#include <objbase.h>

#include "tests/component/support/UnloadCycles.h"
#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

// Script hosts unload idle in-process servers and load them again when a script next asks; a long-running
// host must not grow by what each load leaves behind. Runs in a prefix of its own, with the copy beside this
// program registered per machine for the run.
namespace
{

constexpr int kCycles = 200;
// Wine's own heaps move by a few hundred bytes over such a run; a leak per load is far above it.
constexpr double kMaxHeapBytesPerCycle = 1024.0;

class Unloading : public testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        CoInitialize(nullptr);
        s_registered = unload_cycles::CallRegistrationExport(VoltwiseDll::Path(), "DllRegisterServer");
    }
    static void TearDownTestSuite()
    {
        unload_cycles::CallRegistrationExport(VoltwiseDll::Path(), "DllUnregisterServer");
        CoUninitialize();
    }
    void SetUp() override { ASSERT_EQ(S_OK, s_registered); }

    static void ExpectNothingLeftBehind(const unload_cycles::Measurement& measurement)
    {
        EXPECT_EQ(0, measurement.cyclesLeftLoaded) << "of " << measurement.cycles << " cycles";
        EXPECT_LE(measurement.heapBytesPerCycle, kMaxHeapBytesPerCycle);
        RecordProperty("heap_bytes_per_cycle", std::to_string(measurement.heapBytesPerCycle));
    }

    static inline HRESULT s_registered = E_FAIL;
};

TEST_F(Unloading, ThroughComLeavesNothingBehind)
{
    ASSERT_TRUE(unload_cycles::ComRound()) << "the object could not be created and called, or stayed loaded";
    ExpectNothingLeftBehind(unload_cycles::Measure(kCycles, unload_cycles::ComRound));
}

TEST_F(Unloading, ThroughLoadLibraryLeavesNothingBehind)
{
    ExpectNothingLeftBehind(
        unload_cycles::Measure(kCycles, [] { return unload_cycles::LibraryRound(VoltwiseDll::Path()); }));
}

} // namespace
