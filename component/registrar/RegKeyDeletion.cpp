#include "component/registrar/RegScriptParser.h"

#include "component/registrar/LoadedModuleFunction.h"
#include "platform/UniqueHandle.h"

#include <atomic>

namespace
{

// Subkey names are at most 255 characters.
constexpr DWORD kSubkeyNameBufferSize = 256;

using RegDeleteKeyExWFunction = LSTATUS(WINAPI*)(HKEY, const wchar_t*, REGSAM, DWORD);

// Looked up once per process; older systems lack the function. Two threads may both look it up and
// store the same result.
std::atomic<RegDeleteKeyExWFunction> g_regDeleteKeyEx{nullptr};
std::atomic<bool> g_regDeleteKeyExLookedUp{false};

RegDeleteKeyExWFunction FindRegDeleteKeyEx()
{
    if (!g_regDeleteKeyExLookedUp.load(std::memory_order_acquire))
    {
        g_regDeleteKeyEx.store(
            FindLoadedModuleFunction<RegDeleteKeyExWFunction>(L"Advapi32.dll", "RegDeleteKeyExW"),
            std::memory_order_relaxed);
        g_regDeleteKeyExLookedUp.store(true, std::memory_order_release);
    }
    return g_regDeleteKeyEx.load(std::memory_order_relaxed);
}

} // namespace

LSTATUS CRegScriptParser::DeleteKeyTree(HKEY parent, const wchar_t* name)
{
    platform::UniqueRegKey key;
    const LSTATUS openError = RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key.Put());
    if (openError != ERROR_SUCCESS)
    {
        return openError;
    }
    for (;;)
    {
        wchar_t subkey[kSubkeyNameBufferSize];
        DWORD subkeyLength = kSubkeyNameBufferSize;
        if (RegEnumKeyExW(key.Get(), 0, subkey, &subkeyLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
        {
            break;
        }
        const LSTATUS error = DeleteKeyTree(key.Get(), subkey);
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
    }
    key.Reset();
    return DeleteOneKey(parent, name);
}

LSTATUS CRegScriptParser::DeleteOneKey(HKEY parent, const wchar_t* name)
{
    const RegDeleteKeyExWFunction regDeleteKeyEx = FindRegDeleteKeyEx();
    return regDeleteKeyEx != nullptr ? regDeleteKeyEx(parent, name, 0, 0) : RegDeleteKeyW(parent, name);
}
