#include "tests/service/unit/Fakes.h"

#include "service/DisplayMonitor.h"
#include "service/RegistrySchema.h"

#include <gtest/gtest.h>

namespace service::testing
{
namespace
{

class DisplayMonitor : public ::testing::Test
{
  protected:
    // Runs the monitor once per reported orientation and returns the texts written, in order.
    std::vector<std::wstring> Publish(std::initializer_list<DWORD> orientations)
    {
        for (DWORD orientation : orientations)
        {
            system.display.orientation = orientation;
            RunDisplayMonitor(state, system.platform);
        }
        std::vector<std::wstring> written;
        const std::wstring prefix = L"write " + std::wstring(schema::kDisplayOrientation) + L"=";
        for (const std::wstring& entry : system.journal)
        {
            if (entry.starts_with(prefix))
            {
                written.push_back(entry.substr(prefix.size()));
            }
        }
        return written;
    }

    FakeSystem system;
    LoopState state;
};

TEST_F(DisplayMonitor, MapsEachOrientationToItsText)
{
    EXPECT_EQ(Publish({0, 1, 2, 3, 4, 0xFFFFFFFF}),
              (std::vector<std::wstring>{L"DMDO_DEFAULT", L"DMDO_90", L"DMDO_180", L"DMDO_270", L"DMDO_NA",
                                         L"DMDO_NA"}));
}

TEST_F(DisplayMonitor, WritesEachChangeOnce)
{
    EXPECT_EQ(Publish({0, 0, 1, 1, 0, 0}),
              (std::vector<std::wstring>{L"DMDO_DEFAULT", L"DMDO_90", L"DMDO_DEFAULT"}));
}

TEST_F(DisplayMonitor, ComparesRawValuesSoTwoUnlistedValuesBothWrite)
{
    EXPECT_EQ(Publish({5, 6, 6}), (std::vector<std::wstring>{L"DMDO_NA", L"DMDO_NA"}));
}

TEST_F(DisplayMonitor, FailedQueryLeavesTheValueAndIsRetried)
{
    Publish({1});
    system.display.succeeds = false;
    EXPECT_EQ(Publish({0}).size(), 1u);
    EXPECT_EQ(system.registry.Show(schema::kStatusKey, schema::kDisplayOrientation), L"DMDO_90");
    system.display.succeeds = true;
    EXPECT_EQ(Publish({0}).back(), L"DMDO_DEFAULT");
}

TEST_F(DisplayMonitor, ReusesOneRecordOfTheWideStructureSize)
{
    Publish({0, 0, 0});
    EXPECT_EQ(system.display.sizesSeen, (std::vector<DWORD>{220, 220, 220}));
    EXPECT_EQ(state.displayMode.dmDriverExtra, 0);
}

} // namespace
} // namespace service::testing
