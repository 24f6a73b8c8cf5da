#include <windows.h>

#include "component/registrar/RegObject.h"
#include "platform/HResult.h"
#include "tests/component/registrar/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

constexpr UINT kResourceScript = 101;
constexpr UINT kEmptyScript = 102;
constexpr UINT kMissingScript = 999;
constexpr wchar_t kRegistryType[] = L"REGISTRY";
constexpr wchar_t kAppId[] = L"{25AB294C-2C96-4EF9-978A-CFA9014714B0}";

std::wstring OwnPath()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, length);
}

HRESULT RunResource(const std::wstring& modulePath, UINT resourceId, const wchar_t* type, bool doRegister)
{
    CRegObject registrar;
    registrar.AddSubstitution(L"APPID", kAppId);
    registrar.AddSubstitution(L"Module", L"C:\\It''s here\\Voltwise.dll");
    return registrar.RunScriptResource(modulePath.c_str(), resourceId, type, doRegister);
}

} // namespace

TEST(ScriptResource, RegistersAndUnregistersTheAnsiScriptWithSubstitutions)
{
    TestKey key(L"Resource");
    ASSERT_EQ(S_OK, RunResource(OwnPath(), kResourceScript, kRegistryType, true));
    RegistryValue value;
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(kAppId), L"", value));
    EXPECT_EQ(StringBytes(L"Voltwise"), value.data);
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"Server"), L"", value));
    EXPECT_EQ(StringBytes(L"C:\\It's here\\Voltwise.dll"), value.data);
    ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"Server"), L"ThreadingModel", value));
    EXPECT_EQ(StringBytes(L"Apartment"), value.data);
    // Converted with the thread's ANSI code page; Wine's default locale uses 1252.
    if (GetACP() == 1252)
    {
        ASSERT_TRUE(ReadValue(HKEY_CURRENT_USER, key.Path(L"Server"), L"Ansi", value));
        EXPECT_EQ(StringBytes(L"Caf\u00E9"), value.data);
    }

    ASSERT_EQ(S_OK, RunResource(OwnPath(), kResourceScript, kRegistryType, false));
    EXPECT_TRUE(key.Exists(L""));
    EXPECT_FALSE(key.Exists(kAppId));
    EXPECT_FALSE(key.Exists(L"Server"));
}

TEST(ScriptResource, EmptyResourceIsAnEmptyScript)
{
    EXPECT_EQ(S_OK, RunResource(OwnPath(), kEmptyScript, kRegistryType, true));
}

TEST(ScriptResource, MissingResourceGivesTheLastError)
{
    EXPECT_EQ(platform::HResultFromWin32(ERROR_RESOURCE_NAME_NOT_FOUND),
              RunResource(OwnPath(), kMissingScript, kRegistryType, true));
    EXPECT_EQ(platform::HResultFromWin32(ERROR_RESOURCE_TYPE_NOT_FOUND),
              RunResource(OwnPath(), kResourceScript, L"NOSUCHTYPE", true));
}

TEST(ScriptResource, MissingModuleGivesTheLastError)
{
    const HRESULT result =
        RunResource(L"C:\\no such folder\\missing.dll", kResourceScript, kRegistryType, true);
    EXPECT_TRUE(FAILED(result));
    EXPECT_EQ(FACILITY_WIN32, HRESULT_FACILITY(result));
}
