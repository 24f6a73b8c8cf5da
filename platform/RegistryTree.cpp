#include <windows.h>
#include <winternl.h>

#include "platform/RegistryTree.h"

#include "platform/HResult.h"
#include "platform/LoadedModuleFunction.h"
#include "platform/UniqueHandle.h"

namespace platform
{
namespace
{

// The longest key name and its terminator.
constexpr DWORD kKeyNameChars = 256;
// Every key is opened as itself: a link is not followed to its target.
constexpr DWORD kOpenOptions = REG_OPTION_OPEN_LINK;
constexpr REGSAM kTreeAccess = KEY_ENUMERATE_SUB_KEYS | DELETE;

// RegDeleteKeyExW opens the key again by its name, following a link; only the native call deletes the key
// behind the handle it is given. The system's headers declare NtDeleteKey only for drivers; NtClose has its
// shape (a handle in, a status out).
HRESULT DeleteOpenedKey(HKEY key)
{
    const auto deleteKey = FindLoadedModuleFunction<decltype(&NtClose)>(L"ntdll.dll", "NtDeleteKey");
    RETURN_HR_IF(HResultFromWin32(ERROR_PROC_NOT_FOUND), deleteKey == nullptr);
    const NTSTATUS status = deleteKey(key);
    RETURN_HR_IF(HRESULT_FROM_NT(status), !NT_SUCCESS(status));
    return S_OK;
}

// Deletes the subkeys of the opened key, then the key itself.
HRESULT DeleteOpenedTree(HKEY key)
{
    // The first subkey is deleted until none is left; a link key has none of its own.
    for (;;)
    {
        wchar_t name[kKeyNameChars];
        DWORD chars = kKeyNameChars;
        const LSTATUS listed = RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr);
        if (listed == ERROR_NO_MORE_ITEMS)
        {
            return DeleteOpenedKey(key);
        }
        RETURN_IF_WIN32_ERROR(listed);
        UniqueRegKey subkey;
        RETURN_IF_WIN32_ERROR(RegOpenKeyExW(key, name, kOpenOptions, kTreeAccess, subkey.Put()));
        PROPAGATE_IF_FAILED(DeleteOpenedTree(subkey.Get()));
    }
}

} // namespace

HRESULT DeleteKeyTreeWithoutLinks(HKEY root, const wchar_t* path)
{
    UniqueRegKey key;
    const LSTATUS opened = RegOpenKeyExW(root, path, kOpenOptions, kTreeAccess, key.Put());
    if (opened == ERROR_FILE_NOT_FOUND)
    {
        return S_OK;
    }
    RETURN_IF_WIN32_ERROR(opened);
    return DeleteOpenedTree(key.Get());
}

} // namespace platform
