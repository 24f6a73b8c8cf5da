#include <windows.h>

#include "component/registrar/RegistrationJournal.h"
#include "platform/UniqueHandle.h"
#include "tests/component/registrar/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace
{

class Journal : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, m_key.Path().c_str(), 0,
                                               KEY_READ | KEY_WRITE, m_parent.Put()));
    }

    HKEY CreateKey(const wchar_t* name)
    {
        platform::UniqueRegKey& key = m_created[name];
        EXPECT_EQ(ERROR_SUCCESS, m_journal.CreateKey(m_parent.Get(), name, KEY_READ | KEY_WRITE, key.Put()));
        return key.Get();
    }

    LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& data)
    {
        const std::vector<BYTE> bytes = StringBytes(data);
        return m_journal.SetValue(key, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    }

    TestKey m_key{L"Journal"};
    platform::UniqueRegKey m_parent;
    std::map<std::wstring, platform::UniqueRegKey> m_created;
    RegistrationJournal m_journal;
};

} // namespace

TEST_F(Journal, UndoesNewKeysAndAddedValuesNewestFirstAndKeepsWhatExisted)
{
    m_key.SetString(L"Existing", L"old", L"before");
    const std::wstring before = m_key.Dump();
    const HKEY fresh = CreateKey(L"Fresh");
    ASSERT_EQ(ERROR_SUCCESS, m_journal.CreateKey(fresh, L"Child", KEY_READ, m_created[L"Child"].Put()));
    ASSERT_EQ(ERROR_SUCCESS, SetString(fresh, nullptr, L"default"));
    const HKEY existing = CreateKey(L"Existing");
    ASSERT_EQ(ERROR_SUCCESS, SetString(existing, L"added", L"new"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(existing, L"old", L"overwritten"));
    m_created.clear(); // the journal needs none of the caller's handles

    m_journal.UndoAll();
    EXPECT_FALSE(m_key.Exists(L"Fresh"));
    EXPECT_FALSE(m_key.HasValue(L"Existing", L"added"));
    // An overwritten value cannot be given back; it is not removed either.
    RegistryValue value;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, m_key.Path(L"Existing"), L"old", value));
    EXPECT_EQ(StringBytes(L"overwritten"), value.data);
    m_key.SetString(L"Existing", L"old", L"before");
    EXPECT_EQ(before, m_key.Dump());

    m_journal.UndoAll();
    EXPECT_EQ(before, m_key.Dump()) << "an undone journal is empty";
}

TEST_F(Journal, UndoesOnlyWhatCameAfterTheMark)
{
    CreateKey(L"Earlier");
    const RegistrationJournal::Mark mark = m_journal.Current();
    CreateKey(L"Later");
    m_journal.UndoTo(mark);
    EXPECT_TRUE(m_key.Exists(L"Earlier"));
    EXPECT_FALSE(m_key.Exists(L"Later"));
    m_journal.UndoAll();
    EXPECT_FALSE(m_key.Exists(L"Earlier"));
}

TEST_F(Journal, KeepsANewKeyThatGainedASubkeyMeanwhile)
{
    CreateKey(L"Shared");
    m_key.Create(L"Shared\\Foreign");
    m_journal.UndoAll();
    EXPECT_TRUE(m_key.Exists(L"Shared\\Foreign"));
}

TEST_F(Journal, ForgetsWithoutUndoingWhenDestroyed)
{
    {
        RegistrationJournal journal;
        platform::UniqueRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, journal.CreateKey(m_parent.Get(), L"Kept", KEY_READ, key.Put()));
    }
    EXPECT_TRUE(m_key.Exists(L"Kept"));
}
