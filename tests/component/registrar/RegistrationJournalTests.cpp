#include <windows.h>

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegistrationJournal.h"
#include "platform/UniqueHandle.h"
#include "tests/component/registrar/RegistryTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
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

    ScriptKey Parent() const { return {m_parent.Get(), HKEY_CURRENT_USER, m_parentPath.c_str()}; }

    // parent\name created through the journal and kept open; named by its path below HKCU.
    ScriptKey CreateKey(const wchar_t* name, const ScriptKey* parent = nullptr,
                        REGSAM access = KEY_READ | KEY_WRITE)
    {
        const ScriptKey& under = parent != nullptr ? *parent : Parent();
        auto& [path, key] = *m_created.try_emplace(std::wstring(under.path) + L"\\" + name).first;
        EXPECT_EQ(ERROR_SUCCESS, m_journal.CreateKey(under, name, access, key.Put()));
        return {key.Get(), HKEY_CURRENT_USER, path.c_str()};
    }

    LSTATUS SetString(const ScriptKey& key, const wchar_t* name, const std::wstring& data)
    {
        const std::vector<BYTE> bytes = StringBytes(data);
        return m_journal.SetValue(key, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
    }

    TestKey m_key{L"Journal"};
    const std::wstring m_parentPath = m_key.Path();
    platform::UniqueRegKey m_parent;
    std::map<std::wstring, platform::UniqueRegKey> m_created; // by path below HKCU
    RegistrationJournal m_journal;
};

} // namespace

TEST_F(Journal, UndoesNewKeysAndValuesNewestFirstAndGivesOverwrittenValuesBack)
{
    m_key.SetString(L"Existing", L"old", L"before");
    const std::wstring before = m_key.Dump();
    const ScriptKey fresh = CreateKey(L"Fresh");
    CreateKey(L"Child", &fresh, KEY_READ);
    ASSERT_EQ(ERROR_SUCCESS, SetString(fresh, nullptr, L"default"));
    const ScriptKey existing = CreateKey(L"Existing");
    ASSERT_EQ(ERROR_SUCCESS, SetString(existing, L"added", L"new"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(existing, L"old", L"overwritten"));
    m_created.clear(); // the journal needs none of the caller's handles

    m_journal.UndoAll();
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
        ASSERT_EQ(ERROR_SUCCESS, journal.CreateKey(Parent(), L"Kept", KEY_READ, key.Put()));
    }
    EXPECT_TRUE(m_key.Exists(L"Kept"));
}

// A deleted tree comes back with every value's type and data, also where the run rebuilt part of it.
TEST_F(Journal, GivesADeletedTreeBack)
{
    const std::vector<std::pair<DWORD, std::vector<BYTE>>> values = {
        {REG_DWORD, {7, 0, 0, 0}},         {REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},   {REG_BINARY, {}},
        {REG_MULTI_SZ, StringBytes(L"a")}, {REG_EXPAND_SZ, StringBytes(L"%PATH%")}, {REG_NONE, {0xFF}},
    };
    for (const wchar_t* path : {L"Doomed", L"Doomed\\Sub\\Deeper"})
    {
        for (size_t index = 0; index < values.size(); ++index)
        {
            const auto& [type, data] = values[index];
            ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, m_key.Path(path).c_str(),
                                                     index == 0 ? nullptr : std::to_wstring(index).c_str(),
                                                     type, data.data(), static_cast<DWORD>(data.size())));
        }
    }
    const std::wstring before = m_key.Dump();

    ASSERT_EQ(ERROR_SUCCESS, m_journal.DeleteKeyTree(Parent(), L"Doomed"));
    EXPECT_FALSE(m_key.Exists(L"Doomed"));
    ASSERT_EQ(ERROR_FILE_NOT_FOUND, m_journal.DeleteKeyTree(Parent(), L"Doomed"));
    const ScriptKey rebuilt = CreateKey(L"Doomed");
    ASSERT_EQ(ERROR_SUCCESS, SetString(rebuilt, L"1", L"new"));
    m_created.clear();

    m_journal.UndoAll();
    EXPECT_EQ(before, m_key.Dump());
}

// A step that cannot be undone is reported with its key, value and error; the steps after it still run.
TEST_F(Journal, ReportsEachStepItCannotUndoAndGoesOn)
{
    m_key.SetString(L"Locked", L"v", L"old");
    CreateKey(L"Fresh");
    ASSERT_EQ(ERROR_SUCCESS, SetString(CreateKey(L"Locked"), L"v", L"new"));
    m_created.clear();
    const ReadOnlyKey readOnly(m_key, L"Locked");

    const CapturedDiagnostics diagnostics;
    m_journal.UndoAll();
    EXPECT_FALSE(m_key.Exists(L"Fresh"));
    const std::wstring what = L"HKCU\\" + m_key.Path(L"Locked") + L", value v: 0x80070005";
    EXPECT_THAT(diagnostics.Lines(),
                testing::ElementsAre(testing::HasSubstr(std::string(what.begin(), what.end()))));
}
