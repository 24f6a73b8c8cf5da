// The registration exports of Voltwise.dll, loaded into this process, with HKEY_CLASSES_ROOT and
// HKEY_CURRENT_USER redirected into a scratch key prepared so that a registration fails at a chosen
// step: a key the scripts must create a subkey in is volatile (a non-volatile key cannot be created below
// it), or a key whose value they write grants only reading.
#include <windows.h>
#include <oleauto.h>

#include "component/automation/VoltwiseIds.h"
#include "platform/UniqueHandle.h"
#include "tests/component/support/VoltwiseDll.h"
#include "tests/support/RegistryDump.h"
#include "tests/support/RegistryKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using platform::UniqueRegKey;
using test_support::DumpTree;
using test_support::DumpTreeExcept;
using test_support::KeyExists;

constexpr wchar_t kScratchPath[] = L"VoltwiseRegistrationScratch"; // below the real HKCU\Software
constexpr wchar_t kMachineClasses[] = L"Machine";                  // HKEY_CLASSES_ROOT
constexpr wchar_t kUser[] = L"User";                               // HKEY_CURRENT_USER
constexpr wchar_t kUserClasses[] = L"User\\Software\\Classes";
// Real users' classes are never empty; per-user unregistration would remove an empty Classes key.
constexpr wchar_t kOtherUserClass[] = L"User\\Software\\Classes\\.other";

constexpr wchar_t kAppId[] = L"AppID\\{25AB294C-2C96-4EF9-978A-CFA9014714B0}";
constexpr wchar_t kAppModule[] = L"AppID\\Voltwise.DLL";
constexpr wchar_t kVersionedProgId[] = L"Voltwise.BatteryRemainingTime.1";
constexpr wchar_t kVersionedClsid[] = L"Voltwise.BatteryRemainingTime.1\\CLSID";
constexpr wchar_t kProgId[] = L"Voltwise.BatteryRemainingTime";
constexpr wchar_t kProgIdClsid[] = L"Voltwise.BatteryRemainingTime\\CLSID";
constexpr wchar_t kProgIdCurVer[] = L"Voltwise.BatteryRemainingTime\\CurVer";
constexpr wchar_t kClassKey[] = L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}";
constexpr wchar_t kOlderClassSubkey[] = L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\Stale";
constexpr wchar_t kTypeLibraryKey[] = L"TypeLib\\{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}";

// Values may be read and the key deleted and its permissions changed, but nothing written.
constexpr wchar_t kReadOnly[] = L"D:P(A;;0x70019;;;WD)";
// Only deletion and changing the permissions: the key cannot be opened to look at it. (Wine lets every
// key be deleted whatever its permissions say.)
constexpr wchar_t kUnreadable[] = L"D:P(A;;0x50000;;;WD)";
constexpr wchar_t kFullAccess[] = L"D:P(A;;KA;;;WD)";

const HRESULT kChildMustBeVolatile = HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE);

// Keys below the scratch key, each with its string values ("" is the default value).
using Keys = std::map<std::wstring, std::map<std::wstring, std::wstring>>;

std::wstring Below(const std::wstring& root, const std::wstring& path)
{
    return path.empty() ? root : root + L"\\" + path;
}

// How a registration tool reaches the component, and where its entries land below the scratch key.
struct Scope
{
    const char* name;
    const wchar_t* classesRoot;
    HRESULT (*registerComponent)(const VoltwiseDll&);
    HRESULT (*unregisterComponent)(const VoltwiseDll&);
};

const Scope kScopes[] = {
    {"DllRegisterServer", kMachineClasses, [](const VoltwiseDll& dll) { return dll.RegisterServer(); },
     [](const VoltwiseDll& dll) { return dll.UnregisterServer(); }},
    {"DllInstall", kMachineClasses, [](const VoltwiseDll& dll) { return dll.Install(TRUE, L""); },
     [](const VoltwiseDll& dll) { return dll.Install(FALSE, L""); }},
    {"DllInstallUser", kUserClasses, [](const VoltwiseDll& dll) { return dll.Install(TRUE, L"user"); },
     [](const VoltwiseDll& dll) { return dll.Install(FALSE, L"user"); }},
};

void PrintTo(const Scope& scope, std::ostream* out)
{
    *out << scope.name;
}

class RedirectedRegistry
{
  public:
    RedirectedRegistry()
    {
        EXPECT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_ALL_ACCESS, m_realSoftware.Put()));
        Clear();
    }
    ~RedirectedRegistry()
    {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        Clear();
    }
    RedirectedRegistry(const RedirectedRegistry&) = delete;
    RedirectedRegistry& operator=(const RedirectedRegistry&) = delete;

    // Builds the keys (and the two redirected roots) below an empty scratch key. Volatile keys and
    // everything below them are created volatile; restricted keys get the given permissions last.
    void Arrange(const Keys& keys, const std::set<std::wstring>& volatileKeys = {},
                 const std::map<std::wstring, const wchar_t*>& restricted = {})
    {
        Clear();
        Keys all = keys;
        all[kMachineClasses];
        all[kOtherUserClass];
        for (const auto& [path, values] : all)
        {
            for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1))
            {
                const std::wstring prefix = path.substr(0, end);
                bool isVolatile = false;
                for (const std::wstring& key : volatileKeys)
                {
                    isVolatile |= prefix == key || prefix.starts_with(key + L"\\");
                }
                UniqueRegKey created;
                ASSERT_EQ(ERROR_SUCCESS,
                          RegCreateKeyExW(m_scratch.Get(), prefix.c_str(), 0, nullptr,
                                          isVolatile ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, created.Put(), nullptr));
                if (end == std::wstring::npos)
                {
                    break;
                }
            }
            for (const auto& [name, data] : values)
            {
                ASSERT_EQ(ERROR_SUCCESS,
                          RegSetKeyValueW(m_scratch.Get(), path.c_str(), name.c_str(), REG_SZ, data.c_str(),
                                          static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
            }
        }
        for (const auto& [path, permissions] : restricted)
        {
            Restrict(path, permissions);
        }
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(m_scratch.Get(), kMachineClasses, 0, KEY_ALL_ACCESS, m_machineClasses.Put()));
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(m_scratch.Get(), kUser, 0, KEY_ALL_ACCESS, m_user.Put()));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, m_machineClasses.Get()));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, m_user.Get()));
    }

    // Gives an existing key below the scratch key other permissions; they are lifted again by Clear.
    void Restrict(const std::wstring& path, const wchar_t* permissions)
    {
        ASSERT_EQ(ERROR_SUCCESS, SetPermissions(path, permissions)) << testing::PrintToString(path);
        m_restricted.insert(path);
    }

    // Where restricted keys are still there, they can be read and deleted again.
    void LiftRestrictions()
    {
        for (const std::wstring& path : m_restricted)
        {
            SetPermissions(path, kFullAccess);
        }
        m_restricted.clear();
    }

    // Values of the types other than text, on an existing key below the scratch key.
    void SetValuesOfEveryType(const std::wstring& path) const
    {
        const DWORD number = 7;
        const BYTE bytes[] = {0x00, 0xFF, 0x10};
        const wchar_t strings[] = L"a\0b\0";
        const wchar_t expandable[] = L"%PATH%";
        for (const auto& [name, type, data, size] :
             {std::tuple{L"number", REG_DWORD, static_cast<const void*>(&number), DWORD{sizeof number}},
              std::tuple{L"bytes", REG_BINARY, static_cast<const void*>(bytes), DWORD{sizeof bytes}},
              std::tuple{L"strings", REG_MULTI_SZ, static_cast<const void*>(strings), DWORD{sizeof strings}},
              std::tuple{L"expandable", REG_EXPAND_SZ, static_cast<const void*>(expandable),
                         DWORD{sizeof expandable}}})
        {
            ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(m_scratch.Get(), path.c_str(), name, type, data, size));
        }
    }

    std::wstring Dump() const { return DumpTree(m_scratch.Get(), L""); }
    std::wstring DumpExcept(const std::wstring& skippedPath) const
    {
        return DumpTreeExcept(m_scratch.Get(), L"", L"\\" + skippedPath);
    }
    bool Exists(const std::wstring& path) const { return KeyExists(m_scratch.Get(), path); }

  private:
    LSTATUS SetPermissions(const std::wstring& path, const wchar_t* permissions) const
    {
        return test_support::SetKeyPermissions(m_scratch.Get(), path, permissions);
    }

    void Clear()
    {
        LiftRestrictions();
        m_machineClasses.Reset();
        m_user.Reset();
        m_scratch.Reset();
        RegDeleteTreeW(m_realSoftware.Get(), kScratchPath);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_realSoftware.Get(), kScratchPath, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, m_scratch.Put(), nullptr));
    }

    UniqueRegKey m_realSoftware;
    UniqueRegKey m_scratch;
    UniqueRegKey m_machineClasses;
    UniqueRegKey m_user;
    std::set<std::wstring> m_restricted;
};

// What exists below the classes root before every registration: another application and another
// class, and an older registration of the versioned ProgID with a subkey of someone else's.
Keys ExistingEntries()
{
    return {
        {L"AppID\\{0F0F0F0F-0000-0000-0000-00000000F00D}", {{L"", L"another application"}}},
        {kVersionedProgId, {{L"", L"Old Class"}}},
        {std::wstring(kVersionedProgId) + L"\\Foreign", {{L"f", L"keep"}}},
        {L"CLSID\\{0F0F0F0F-0000-0000-0000-00000000CAFE}", {{L"", L"another class"}}},
    };
}

// One step of the registration made to fail. Paths are below the scope's classes root; "" is the root.
struct FailurePoint
{
    const char* name;
    std::vector<const wchar_t*> volatileKeys;   // exist before
    std::vector<const wchar_t*> readOnlyKeys;   // exist before
    std::vector<const wchar_t*> unreadableKeys; // exist before
    std::vector<const wchar_t*> otherKeys;      // exist before, empty
    // An older registration's class key, with a subkey and values of other types than text, which
    // ForceRemove removes before the registration fails.
    bool olderClassKey;
    // HKEY_CLASSES_ROOT\TypeLib exists and is volatile. What the platform's type-library registration
    // wrote before it failed (Wine: the interface's entries) is its own business and not compared.
    bool typeLibraryFails;
    HRESULT expected;
};

void PrintTo(const FailurePoint& point, std::ostream* out)
{
    *out << point.name;
}

const FailurePoint kFailurePoints[] = {
    {"ApplicationKey", {L"AppID"}, {}, {}, {}, false, false, kChildMustBeVolatile},
    {"ApplicationName", {}, {kAppId}, {}, {}, false, false, E_ACCESSDENIED},
    {"ApplicationModuleKey", {L"AppID"}, {}, {}, {kAppId}, false, false, kChildMustBeVolatile},
    {"ApplicationModuleValue", {}, {kAppModule}, {}, {}, false, false, E_ACCESSDENIED},
    {"VersionedProgIdName", {}, {kVersionedProgId}, {}, {}, false, false, E_ACCESSDENIED},
    {"VersionedProgIdClsidKey", {kVersionedProgId}, {}, {}, {}, false, false, kChildMustBeVolatile},
    {"VersionedProgIdClsidValue", {}, {kVersionedClsid}, {}, {}, false, false, E_ACCESSDENIED},
    {"ProgIdKey", {L""}, {}, {}, {kAppId, kAppModule, kVersionedClsid}, false, false, kChildMustBeVolatile},
    {"ProgIdClsidKey", {kProgId}, {}, {}, {}, false, false, kChildMustBeVolatile},
    {"ProgIdCurVerKey", {kProgId}, {}, {}, {kProgIdClsid}, false, false, kChildMustBeVolatile},
    {"ProgIdCurVerValue", {}, {kProgIdCurVer}, {}, {}, false, false, E_ACCESSDENIED},
    {"ClassKey", {L"CLSID"}, {}, {}, {}, false, false, kChildMustBeVolatile},
    // E_FAIL: Wine's answer when it cannot write below TypeLib.
    {"TypeLibrary", {}, {}, {}, {}, false, true, E_FAIL},
    {"TypeLibraryAfterAnOlderClassKey", {}, {}, {}, {}, true, true, E_FAIL},
    // What cannot be copied is not removed: the registration fails before ForceRemove deletes anything.
    {"UnreadableOlderClassSubkey", {}, {}, {kOlderClassSubkey}, {}, true, false, E_ACCESSDENIED},
};

class FailedRegistration : public testing::TestWithParam<std::tuple<Scope, FailurePoint>>
{
  protected:
    // Each test loads the DLL afresh: the per-user switch stays on for the rest of a load.
    VoltwiseDll m_dll;
    RedirectedRegistry m_registry;
};

} // namespace

TEST_P(FailedRegistration, LeavesEverythingAsItWas)
{
    const auto& [scope, point] = GetParam();
    ASSERT_TRUE(m_dll.Loaded());
    const auto below = [&](const std::wstring& path) { return Below(scope.classesRoot, path); };

    Keys before;
    for (const auto& [path, values] : ExistingEntries())
    {
        before[below(path)] = values;
    }
    std::set<std::wstring> volatileKeys;
    std::map<std::wstring, const wchar_t*> restricted;
    for (const wchar_t* path : point.volatileKeys)
    {
        before[below(path)];
        volatileKeys.insert(below(path));
    }
    for (const auto& [paths, permissions] :
         {std::pair{point.readOnlyKeys, kReadOnly}, std::pair{point.unreadableKeys, kUnreadable}})
    {
        for (const wchar_t* path : paths)
        {
            before[below(path)];
            restricted[below(path)] = permissions;
        }
    }
    for (const wchar_t* path : point.otherKeys)
    {
        before[below(path)];
    }
    if (point.olderClassKey)
    {
        before[below(kOlderClassSubkey)] = {{L"", L"stale"}};
    }
    if (point.typeLibraryFails)
    {
        before[Below(kMachineClasses, L"TypeLib")];
        volatileKeys.insert(Below(kMachineClasses, L"TypeLib"));
    }
    const auto arrange = [&](const std::set<std::wstring>& volatiles,
                             const std::map<std::wstring, const wchar_t*>& restrictions)
    {
        m_registry.Arrange(before, volatiles, restrictions);
        if (point.olderClassKey)
        {
            m_registry.SetValuesOfEveryType(below(kClassKey));
        }
    };

    const std::wstring platformEntries = point.typeLibraryFails ? Below(kMachineClasses, L"Interface") : L"";
    arrange({}, {});
    const std::wstring expectedDump = m_registry.DumpExcept(platformEntries);

    arrange(volatileKeys, restricted);
    EXPECT_EQ(point.expected, scope.registerComponent(m_dll));
    m_registry.LiftRestrictions();
    EXPECT_EQ(expectedDump, m_registry.DumpExcept(platformEntries));
}

INSTANTIATE_TEST_SUITE_P(Steps, FailedRegistration,
                         testing::Combine(testing::ValuesIn(kScopes), testing::ValuesIn(kFailurePoints)),
                         [](const testing::TestParamInfo<FailedRegistration::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

namespace
{

class Unregistration : public testing::TestWithParam<Scope>
{
  protected:
    std::wstring InClasses(const std::wstring& path) const { return Below(GetParam().classesRoot, path); }

    void ExpectNoEntryOfTheComponent() const
    {
        for (const wchar_t* key : {kAppId, kAppModule, kVersionedProgId, kProgId, kClassKey})
        {
            EXPECT_FALSE(m_registry.Exists(InClasses(key))) << testing::PrintToString(InClasses(key));
        }
        EXPECT_FALSE(m_registry.Exists(Below(kMachineClasses, kTypeLibraryKey)));
    }

    VoltwiseDll m_dll;
    RedirectedRegistry m_registry;
};

} // namespace

TEST_P(Unregistration, SucceedsAndChangesNothingWhereNothingIsRegistered)
{
    ASSERT_TRUE(m_dll.Loaded());
    m_registry.Arrange({});
    const std::wstring before = m_registry.Dump();
    EXPECT_EQ(S_OK, GetParam().unregisterComponent(m_dll));
    EXPECT_EQ(before, m_registry.Dump());
}

TEST_P(Unregistration, SucceedsAgainAfterItRemovedEverything)
{
    ASSERT_TRUE(m_dll.Loaded());
    m_registry.Arrange({});
    ASSERT_EQ(S_OK, GetParam().registerComponent(m_dll));
    ASSERT_TRUE(m_registry.Exists(Below(kMachineClasses, kTypeLibraryKey)));
    EXPECT_EQ(S_OK, GetParam().unregisterComponent(m_dll));
    ExpectNoEntryOfTheComponent();
    const std::wstring afterFirst = m_registry.Dump();
    EXPECT_EQ(S_OK, GetParam().unregisterComponent(m_dll));
    EXPECT_EQ(afterFirst, m_registry.Dump());
}

TEST_P(Unregistration, CountsATypeLibraryThatIsNotRegisteredAsNothingToRemove)
{
    ASSERT_TRUE(m_dll.Loaded());
    m_registry.Arrange({});
    ASSERT_EQ(S_OK, GetParam().registerComponent(m_dll));
    ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_VoltwiseLib, kVoltwiseLibMajorVersion, kVoltwiseLibMinorVersion,
                                      0, SYS_WIN64));
    EXPECT_EQ(S_OK, GetParam().unregisterComponent(m_dll));
    ExpectNoEntryOfTheComponent();
}

TEST_P(Unregistration, RunsEveryStepAndReturnsTheFirstFailure)
{
    ASSERT_TRUE(m_dll.Loaded());
    m_registry.Arrange({});
    ASSERT_EQ(S_OK, GetParam().registerComponent(m_dll));
    // The class script cannot look into this key, so it stops there; the other steps still run.
    m_registry.Restrict(InClasses(kVersionedClsid), kUnreadable);
    EXPECT_EQ(E_ACCESSDENIED, GetParam().unregisterComponent(m_dll));
    EXPECT_TRUE(m_registry.Exists(InClasses(kVersionedProgId)));
    EXPECT_FALSE(m_registry.Exists(Below(kMachineClasses, kTypeLibraryKey)));
    EXPECT_FALSE(m_registry.Exists(InClasses(kAppId)));
    EXPECT_FALSE(m_registry.Exists(InClasses(kAppModule)));
}

namespace
{

struct UnregistrationObstacle
{
    const char* name;
    std::vector<const wchar_t*> unreadableClassKeys; // below the scope's classes root
    HRESULT expected;
};

// The type library's version key can be read but not changed in every row, so that the library stays
// registered. E_INVALIDARG: Wine's answer when it cannot remove it.
const UnregistrationObstacle kUnregistrationObstacles[] = {
    {"TypeLibraryStaysRegistered", {}, E_INVALIDARG},
    {"ClassScriptFailsFirst", {kVersionedClsid}, E_ACCESSDENIED},
};

} // namespace

TEST_P(Unregistration, ReportsTheFirstFailureOfTheStepsThatRun)
{
    ASSERT_TRUE(m_dll.Loaded());
    for (const UnregistrationObstacle& obstacle : kUnregistrationObstacles)
    {
        SCOPED_TRACE(obstacle.name);
        m_registry.Arrange({});
        ASSERT_EQ(S_OK, GetParam().registerComponent(m_dll));
        for (const wchar_t* path : obstacle.unreadableClassKeys)
        {
            m_registry.Restrict(InClasses(path), kUnreadable);
        }
        m_registry.Restrict(Below(kMachineClasses, std::wstring(kTypeLibraryKey) + L"\\1.0"), kReadOnly);
        EXPECT_EQ(obstacle.expected, GetParam().unregisterComponent(m_dll));
        m_registry.LiftRestrictions();
        EXPECT_TRUE(m_registry.Exists(Below(kMachineClasses, kTypeLibraryKey)));
        EXPECT_FALSE(m_registry.Exists(InClasses(kAppModule)));
    }
}

INSTANTIATE_TEST_SUITE_P(Scopes, Unregistration, testing::ValuesIn(kScopes),
                         [](const testing::TestParamInfo<Scope>& info) { return info.param.name; });
