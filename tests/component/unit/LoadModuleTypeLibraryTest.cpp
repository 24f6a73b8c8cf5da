// Loading the type library out of a module's file, or from the ".tlb" file beside it.
#include <windows.h>
#include <oleauto.h>

#include "component/automation/ModuleTypeLibrary.h"
#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"
#include "platform/UniqueHandle.h"
#include "tests/component/support/VoltwiseDll.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using platform::ComPtr;

std::wstring ModulePath(HMODULE module)
{
    wchar_t file[MAX_PATH];
    return {file, GetModuleFileNameW(module, file, MAX_PATH)};
}

// This test program carries no type library; its ".tlb" sibling is the one beside it.
std::wstring SiblingTypeLibraryPath()
{
    const std::wstring program = ModulePath(nullptr);
    return program.substr(0, program.rfind(L'.')) + L".tlb";
}

struct Loaded
{
    HRESULT hr;
    std::wstring path;
    ComPtr<ITypeLib> library;
};

Loaded Load(HMODULE module)
{
    BSTR path = nullptr;
    Loaded loaded;
    loaded.hr = LoadModuleTypeLibrary(module, &path, loaded.library.Put());
    loaded.path = path ? path : L"";
    SysFreeString(path);
    return loaded;
}

bool IsVoltwiseLibrary(ITypeLib* library)
{
    TLIBATTR* attributes = nullptr;
    if (FAILED(library->GetLibAttr(&attributes)))
    {
        return false;
    }
    const bool same = IsEqualGUID(LIBID_VoltwiseLib, attributes->guid);
    library->ReleaseTLibAttr(attributes);
    return same;
}

TEST(LoadModuleTypeLibraryTest, FromTheModulesOwnResource)
{
    VoltwiseDll dll;
    ASSERT_TRUE(dll.Loaded());
    const Loaded loaded = Load(dll.Module());
    ASSERT_EQ(S_OK, loaded.hr);
    EXPECT_EQ(VoltwiseDll::Path(), loaded.path);
    EXPECT_TRUE(IsVoltwiseLibrary(loaded.library.Get()));
}

TEST(LoadModuleTypeLibraryTest, FromTheTlbBesideAFileWithoutOne)
{
    const std::wstring sibling = SiblingTypeLibraryPath();
    // The DLL's resource, written out as a stand-alone file.
    {
        platform::UniqueModule dll(
            LoadLibraryExW(VoltwiseDll::Path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        const HRSRC resource = FindResourceW(dll.Get(), MAKEINTRESOURCEW(1), L"TYPELIB");
        ASSERT_NE(nullptr, resource);
        platform::UniqueHandleObject file(CreateFileW(sibling.c_str(), GENERIC_WRITE, 0, nullptr,
                                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.Get(), LockResource(LoadResource(dll.Get(), resource)),
                              SizeofResource(dll.Get(), resource), &written, nullptr));
    }
    const Loaded loaded = Load(nullptr);
    DeleteFileW(sibling.c_str());
    ASSERT_EQ(S_OK, loaded.hr);
    EXPECT_EQ(sibling, loaded.path);
    EXPECT_TRUE(IsVoltwiseLibrary(loaded.library.Get()));
}

TEST(LoadModuleTypeLibraryTest, WithNeitherTheSecondLoadsCodeIsReturned)
{
    ComPtr<ITypeLib> unused;
    const HRESULT secondLoad = LoadTypeLib(SiblingTypeLibraryPath().c_str(), unused.Put());
    ASSERT_TRUE(FAILED(secondLoad));
    const Loaded loaded = Load(nullptr);
    EXPECT_EQ(secondLoad, loaded.hr);
    EXPECT_EQ(L"", loaded.path);
}

TEST(LoadModuleTypeLibraryTest, NullOutPointersAreRefused)
{
    BSTR path = reinterpret_cast<BSTR>(1);
    ITypeLib* library = nullptr;
    EXPECT_EQ(E_POINTER, LoadModuleTypeLibrary(nullptr, nullptr, &library));
    EXPECT_EQ(E_POINTER, LoadModuleTypeLibrary(nullptr, &path, nullptr));
    EXPECT_EQ(reinterpret_cast<BSTR>(1), path) << "nothing is touched";
}

} // namespace
