// Keys whose permissions let the registrar do less than it asks for.
#include <windows.h>

#include "platform/UniqueHandle.h"
#include "tests/component/registrar/RegistryTestSupport.h"
#include "tests/support/RegistryKeys.h"

#include <gtest/gtest.h>

namespace
{

constexpr wchar_t kReadOnly[] = L"D:P(A;;0x60019;;;WD)";  // KEY_READ and WRITE_DAC
constexpr wchar_t kWriteOnly[] = L"D:P(A;;0x40006;;;WD)"; // KEY_SET_VALUE, KEY_CREATE_SUB_KEY and WRITE_DAC

std::vector<BYTE> Value(const TestKey& key, const std::wstring& path, const wchar_t* name)
{
    RegistryValue value;
    EXPECT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(path), name, value));
    return value.data;
}

} // namespace

// A key that may be read but not written is opened for reading only; what lies below it is written all the same.
TEST(KeyAccess, ReadOnlyKeyIsOpenedForReadingAndTheScriptGoesOnBelowIt)
{
    TestKey key(L"ReadOnlyKey");
    key.Create(L"Locked\\Open");
    const test_support::RestrictedKey locked(HKEY_CURRENT_USER, key.Path(L"Locked"), kReadOnly);
    ASSERT_TRUE(locked.Restricted());
    EXPECT_EQ(S_OK, RunTestScript(key.Script(L"NoRemove Locked { Open = s 'written' }"), true));
    EXPECT_EQ(StringBytes(L"written"), Value(key, L"Locked\\Open", nullptr));
}

// A value that is there but cannot be read could not be given back by an undo: the run fails before it
// overwrites it, so that the failure of a later entry neither leaves it overwritten nor removes it.
TEST(KeyAccess, EarlierValueThatCannotBeReadIsNeitherOverwrittenNorRemoved)
{
    TestKey key(L"UnreadableValue");
    key.SetString(L"", L"earlier", L"kept");
    {
        const test_support::RestrictedKey writeOnly(HKEY_CURRENT_USER, key.Path(), kWriteOnly);
        ASSERT_TRUE(writeOnly.Restricted());
        platform::UniqueRegKey root;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, key.Path().c_str(), 0, KEY_SET_VALUE, root.Put()));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, root.Get()));
        const HRESULT result = RunTestScript(L"HKCU { val earlier = s 'new' bad\\name }", true);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        EXPECT_EQ(E_ACCESSDENIED, result);
    }
    EXPECT_EQ(StringBytes(L"kept"), Value(key, L"", L"earlier"));
}
