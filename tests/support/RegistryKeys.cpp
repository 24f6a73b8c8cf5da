#include <windows.h>
#include <sddl.h>

#include "tests/support/RegistryKeys.h"

#include "platform/UniqueHandle.h"

namespace test_support
{

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    platform::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

LSTATUS SetKeyPermissions(HKEY root, const std::wstring& path, const wchar_t* permissions)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(permissions, SDDL_REVISION_1, &descriptor, nullptr))
    {
        return static_cast<LSTATUS>(GetLastError());
    }
    platform::UniqueRegKey key;
    LSTATUS error = RegOpenKeyExW(root, path.c_str(), 0, WRITE_DAC, key.Put());
    if (error == ERROR_SUCCESS)
    {
        error = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor);
    }
    LocalFree(descriptor);
    return error;
}

RestrictedKey::RestrictedKey(HKEY root, std::wstring path, const wchar_t* permissions)
    : m_root(root), m_path(std::move(path)),
      m_restricted(SetKeyPermissions(m_root, m_path, permissions) == ERROR_SUCCESS)
{
}

RestrictedKey::~RestrictedKey()
{
    SetKeyPermissions(m_root, m_path, L"D:P(A;;KA;;;WD)");
}

} // namespace test_support
