// The main of every GoogleTest program: GoogleTest's own, with the running test named for the crash report.
#include "tests/support/CrashExit.h"

#include <gtest/gtest.h>

namespace
{

class RunningTestListener : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo& test) override
    {
        test_support::SetRunningTest(test.test_suite_name(), test.name());
    }
    void OnTestEnd(const testing::TestInfo&) override { test_support::SetRunningTest(nullptr, nullptr); }
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new RunningTestListener);
    return RUN_ALL_TESTS();
}
