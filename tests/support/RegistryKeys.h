#pragma once

#include <windows.h>

#include <string>

namespace test_support
{

// Whether the key can be opened for reading, bypassing every wrapper under test; view: a KEY_WOW64_ flag, or
// 0 for the caller's own view.
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);

// Gives an existing key the access list of an SDDL text; the key must grant WRITE_DAC. A Win32 error code.
// Wine enforces it when a key is opened: handles opened before keep their access.
LSTATUS SetKeyPermissions(HKEY root, const std::wstring& path, const wchar_t* permissions);

// Permissions of an existing key while the object lives (they must keep WRITE_DAC); full access afterwards.
class RestrictedKey
{
  public:
    RestrictedKey(HKEY root, std::wstring path, const wchar_t* permissions);
    ~RestrictedKey();
    RestrictedKey(const RestrictedKey&) = delete;
    RestrictedKey& operator=(const RestrictedKey&) = delete;

    bool Restricted() const { return m_restricted; }

  private:
    HKEY m_root;
    std::wstring m_path;
    bool m_restricted;
};

} // namespace test_support
