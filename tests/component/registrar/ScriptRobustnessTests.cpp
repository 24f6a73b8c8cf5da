#include <windows.h>

#include "component/registrar/PerUserRegistration.h"
#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegistrationJournal.h"
#include "platform/UniqueHandle.h"
#include "tests/component/registrar/RegistryTestSupport.h"
#include "tests/component/registrar/ScriptGenerator.h"
#include "tests/support/RegistryDump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace
{

constexpr unsigned kSeed = 20261207;
constexpr int kRounds = 800;
constexpr int kMutationsPerRound = 12;
constexpr int kPerUserRounds = 150;
constexpr wchar_t kScratchPath[] = L"VoltwiseRegistrarRobustness"; // below HKCU\\Software

// Every predefined key a mutated script could name (short of the obsolete HKEY_DYN_DATA, whose letters
// the generator never produces) is redirected for this process into its own scratch subkey.
struct RedirectedRoot
{
    HKEY root;
    const wchar_t* scratchName;
};

const RedirectedRoot kRedirectedRoots[] = {
    {HKEY_CURRENT_USER, L"HKCU"}, {HKEY_LOCAL_MACHINE, L"HKLM"},  {HKEY_CLASSES_ROOT, L"HKCR"},
    {HKEY_USERS, L"HKU"},         {HKEY_CURRENT_CONFIG, L"HKCC"}, {HKEY_PERFORMANCE_DATA, L"HKPD"},
};

HRESULT RunWithSubstitutions(const std::wstring& script, bool doRegister,
                             RegistrationJournal* journal = nullptr)
{
    return RunTestScript(script, doRegister,
                         {{L"Module", L"C:\\x''y.dll"}, {L"Sub", L"{ } %"}, {L"Root", L"HKCR"}, {L"E", L""}},
                         journal);
}

class ScriptRobustness : public testing::Test
{
  protected:
    void SetUp() override
    {
        // Real handles, opened before the overrides; opening a predefined key itself would follow them.
        // The users' hives hold the real HKCU.
        for (DWORD index = 0;; ++index)
        {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumKeyExW(HKEY_USERS, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
            {
                break;
            }
            platform::UniqueRegKey hive;
            ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_USERS, name, 0, KEY_READ, hive.Put()));
            m_realUserHives.push_back(std::move(hive));
        }
        ASSERT_FALSE(m_realUserHives.empty());
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_ALL_ACCESS, m_realUserSoftware.Put()));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, m_realMachineSoftware.Put()));
        DeleteKeyTree(m_realUserSoftware.Get(), kScratchPath);
        for (const RedirectedRoot& redirected : kRedirectedRoots)
        {
            platform::UniqueRegKey scratch;
            const std::wstring path = std::wstring(kScratchPath) + L"\\" + redirected.scratchName;
            ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_realUserSoftware.Get(), path.c_str(), 0, nullptr, 0,
                                                     KEY_ALL_ACCESS, nullptr, scratch.Put(), nullptr));
            ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(redirected.root, scratch.Get()));
        }
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(m_realUserSoftware.Get(), (std::wstring(kScratchPath) + L"\\HKCU").c_str(), 0,
                                KEY_ALL_ACCESS, m_scratch.Put()));

        // The redirection must hold, or the comparisons below would prove nothing.
        ASSERT_EQ(S_OK, RunTestScript(L"HKCU { VoltwiseProbe }", true));
        ASSERT_TRUE(KeyExists(m_scratch.Get(), L"VoltwiseProbe"));
        ASSERT_EQ(S_OK, RunTestScript(L"HKCU { VoltwiseProbe }", false));
        ASSERT_FALSE(KeyExists(m_scratch.Get(), L"VoltwiseProbe"));
    }

    void TearDown() override
    {
        for (const RedirectedRoot& redirected : kRedirectedRoots)
        {
            RegOverridePredefKey(redirected.root, nullptr);
        }
        DeleteKeyTree(m_realUserSoftware.Get(), kScratchPath);
    }

    // The scratch key back to its fixed content: the baseline keys, one with a foreign subkey and values.
    void ResetScratch()
    {
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeW(m_scratch.Get(), nullptr));
        for (const wchar_t* name : ScriptGenerator::kBaselineKeys)
        {
            platform::UniqueRegKey key;
            ASSERT_EQ(ERROR_SUCCESS,
                      RegCreateKeyExW(m_scratch.Get(), (std::wstring(name) + L"\\Foreign").c_str(), 0,
                                      nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
            const std::vector<BYTE> data = StringBytes(L"existing");
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), L"v", 0, REG_SZ, data.data(),
                                                    static_cast<DWORD>(data.size())));
        }
    }

    std::wstring DumpScratch() const { return test_support::DumpTree(m_scratch.Get(), L""); }

    // Registers the script as the registration exports do: a failure undoes the whole run, which must
    // then leave the registry exactly as it was. Tells whether it failed.
    bool RegisterAllOrNothing(const std::wstring& script)
    {
        const std::wstring before = DumpScratch();
        RegistrationJournal journal;
        if (SUCCEEDED(RunWithSubstitutions(script, true, &journal)))
        {
            return false;
        }
        journal.UndoAll();
        EXPECT_EQ(before, DumpScratch()) << script;
        return true;
    }

    std::wstring DumpOutsideScratch() const
    {
        std::wstring dump = test_support::DumpTree(m_realMachineSoftware.Get(), L"");
        for (const platform::UniqueRegKey& hive : m_realUserHives)
        {
            dump +=
                test_support::DumpTreeExcept(hive.Get(), L"", std::wstring(L"\\Software\\") + kScratchPath);
        }
        return dump;
    }

    std::vector<platform::UniqueRegKey> m_realUserHives;
    platform::UniqueRegKey m_realUserSoftware;
    platform::UniqueRegKey m_realMachineSoftware;
    platform::UniqueRegKey m_scratch;
};
} // namespace

TEST_F(ScriptRobustness, GeneratedAndMutatedScriptsStayInsideTheScratchKey)
{
    const std::wstring outsideBefore = DumpOutsideScratch();
    ScriptGenerator generator(kSeed);
    const auto started = std::chrono::steady_clock::now();
    int scripts = 0;
    int failedMutations = 0;
    for (int round = 0; round < kRounds; ++round)
    {
        ResetScratch();
        const std::wstring script = generator.WellFormed();
        const std::wstring before = DumpScratch();
        ASSERT_EQ(S_OK, RunWithSubstitutions(script, true)) << script;
        ASSERT_EQ(S_OK, RunWithSubstitutions(script, false)) << script;
        ASSERT_EQ(before, DumpScratch()) << script;
        ++scripts;
        for (int mutation = 0; mutation < kMutationsPerRound; ++mutation)
        {
            const std::wstring mutated = generator.Mutate(script);
            failedMutations += RegisterAllOrNothing(mutated) ? 1 : 0;
            RunWithSubstitutions(mutated, false);
            ++scripts;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "%d scripts (%d well-formed, %d mutated, %d of these failed to register and were undone exactly), "
        "each registered and unregistered, in %.2f s\n",
        scripts, kRounds, scripts - kRounds, failedMutations, seconds);
    EXPECT_EQ(outsideBefore, DumpOutsideScratch());
}

// Runs in a process of its own (the switch stays on): per user, scripts whose root is the classes root in
// any spelling, mutated or not, write below the user's classes only, never for the machine.
TEST_F(ScriptRobustness, PerUserRunsWriteOnlyForTheUser)
{
    EnablePerUserRegistration();
    const std::wstring outsideBefore = DumpOutsideScratch();
    ScriptGenerator generator(kSeed);
    for (int round = 0; round < kPerUserRounds; ++round)
    {
        ResetScratch();
        const std::wstring script = generator.WellFormed(true);
        ASSERT_EQ(S_OK, RunWithSubstitutions(script, true)) << script;
        ASSERT_TRUE(KeyExists(m_scratch.Get(), L"Software\\Classes")) << script;
        for (const std::wstring& run : {script, generator.Mutate(script), generator.Mutate(script)})
        {
            RegisterAllOrNothing(run);
            RunWithSubstitutions(run, false);
            for (const RedirectedRoot& redirected : kRedirectedRoots)
            {
                if (redirected.root != HKEY_CURRENT_USER)
                {
                    const std::wstring root = std::wstring(kScratchPath) + L"\\" + redirected.scratchName;
                    ASSERT_EQ(L"[" + root + L"]\n", test_support::DumpTree(m_realUserSoftware.Get(), root))
                        << run;
                }
            }
        }
    }
    EXPECT_EQ(outsideBefore, DumpOutsideScratch());
}
