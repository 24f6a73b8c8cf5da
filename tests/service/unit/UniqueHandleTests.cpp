#include <windows.h>

#include "platform/UniqueHandle.h"

#include <gtest/gtest.h>

namespace
{

// A close that sets the thread's last error, as a failing CloseHandle does.
void CloseSettingAnError(int)
{
    SetLastError(ERROR_INVALID_HANDLE);
}

} // namespace

// A named object's creator reads ERROR_ALREADY_EXISTS after handing the new handle to its owner.
TEST(UniqueHandle, ResetKeepsTheLastErrorOfTheCallBeforeIt)
{
    platform::UniqueHandle<int, CloseSettingAnError, 0> handle(1);
    SetLastError(ERROR_ALREADY_EXISTS);
    handle.Reset(2);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    handle.Release();
}
