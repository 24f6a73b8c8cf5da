// The export table of the built DLL: exactly its five entry points, by the names registration tools and COM
// look up (32-bit builds must not leak stdcall-decorated names such as DllInstall@8).
#include <windows.h>

#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{

std::set<std::string> ExportedNames(HMODULE module)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (directory.Size == 0)
    {
        return names;
    }
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
    const auto* nameOffsets = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    {
        names.insert(reinterpret_cast<const char*>(base + nameOffsets[i]));
    }
    return names;
}

TEST(ExportsTest, AreTheFiveEntryPointsByTheirUndecoratedNames)
{
    VoltwiseDll dll;
    ASSERT_TRUE(dll.Loaded());
    const std::set<std::string> expected = {"DllCanUnloadNow", "DllGetClassObject", "DllInstall",
                                            "DllRegisterServer", "DllUnregisterServer"};
    EXPECT_EQ(expected, ExportedNames(dll.Module()));
}

} // namespace

TEST(ExportsTest, LoadIsRefusedWhenALockCannotBeInitialised)
{
    const std::wstring path = VoltwiseDll::Path();
    SetLastError(ERROR_SUCCESS);
    const platform::UniqueModule dll(
        LoadLibraryW((path.substr(0, path.find_last_of(L'\\') + 1) + L"VoltwiseFirstLockFails.dll").c_str()));
    EXPECT_FALSE(dll);
    EXPECT_EQ(static_cast<DWORD>(ERROR_DLL_INIT_FAILED), GetLastError());
}
