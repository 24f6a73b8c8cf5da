#include <windows.h>

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegistrationJournal.h"
#include "platform/UniqueHandle.h"
#include "tests/component/registrar/RegistryTestSupport.h"
#include "tests/support/GuardPage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

// The journal reads earlier values, and copies trees before it deletes them, into memory sized by what the
// registry reported: with every allocation ending at a guard page, a value of any type and of any length
// around a limit (16 and 32 characters, a key name's 255, a value name's 16,383, 32,767) is read whole and
// written back exactly.
TEST(JournalReads, StayInsideBuffersOfTheValuesOwnSize)
{
    const size_t lengths[] = {0, 1, 15, 16, 31, 32, 255, 256, 16383, 32767};
    constexpr size_t kLongestName = 16383 - 2; // and the type's number
    const DWORD types[] = {REG_NONE, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ, REG_QWORD};
    const auto valueName = [&](size_t length, DWORD type)
    { return std::wstring(std::min(length, kLongestName), L'n') + std::to_wstring(type); };

    TestKey testKey(L"GuardedJournal");
    for (const wchar_t* path : {L"Doomed", L"Doomed\\Sub", L"Overwritten"})
    {
        for (const size_t length : lengths)
        {
            const std::wstring data = std::wstring(length, L'%') + L'x';
            for (const DWORD type : types)
            {
                // Odd byte counts too: the data need not be text.
                const DWORD size = static_cast<DWORD>(length * sizeof(wchar_t)) + (type == REG_BINARY);
                ASSERT_EQ(ERROR_SUCCESS,
                          RegSetKeyValueW(HKEY_CURRENT_USER, testKey.Path(path).c_str(),
                                          valueName(length, type).c_str(), type, data.c_str(), size));
            }
        }
    }
    const std::wstring before = testKey.Dump();
    const std::wstring parentPath = testKey.Path();
    const std::wstring overwrittenPath = testKey.Path(L"Overwritten");
    platform::UniqueRegKey parent;
    platform::UniqueRegKey overwritten;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, parentPath.c_str(), 0, KEY_ALL_ACCESS, parent.Put()));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, overwrittenPath.c_str(), 0, KEY_ALL_ACCESS,
                                           overwritten.Put()));
    const std::vector<BYTE> replacement = StringBytes(L"new");

    RegistrationJournal journal;
    {
        const test_support::GuardedAllocations guarded;
        ASSERT_EQ(ERROR_SUCCESS,
                  journal.DeleteKeyTree({parent.Get(), HKEY_CURRENT_USER, parentPath.c_str()}, L"Doomed"));
        for (const size_t length : lengths)
        {
            for (const DWORD type : types)
            {
                ASSERT_EQ(ERROR_SUCCESS,
                          journal.SetValue({overwritten.Get(), HKEY_CURRENT_USER, overwrittenPath.c_str()},
                                           valueName(length, type).c_str(), REG_SZ, replacement.data(),
                                           static_cast<DWORD>(replacement.size())));
            }
        }
    }
    journal.UndoAll();
    EXPECT_EQ(before, testKey.Dump());
}
