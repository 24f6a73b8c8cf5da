#include <windows.h>
#include <shlwapi.h>

#include "platform/Registry.h"

#include <cwchar>

namespace platform
{

bool ShellRegistry::ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value)
{
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (SHGetValueW(HKEY_CURRENT_USER, path, name, nullptr, &number, &size) != ERROR_SUCCESS)
    {
        return false;
    }
    value = number;
    return true;
}

bool ShellRegistry::ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text)
{
    DWORD size = sizeof(text);
    text[0] = L'\0';
    if (SHGetValueW(HKEY_CURRENT_USER, path, name, nullptr, text, &size) != ERROR_SUCCESS)
    {
        return false;
    }
    // The stored data need not be a terminated string: it ends where the data ends, and data that fills
    // the whole buffer without a terminator is a text too long to read.
    const DWORD chars = size / sizeof(wchar_t);
    if (chars == kRegistryTextChars && wmemchr(text, L'\0', kRegistryTextChars) == nullptr)
    {
        text[0] = L'\0';
        return false;
    }
    text[chars < kRegistryTextChars ? chars : kRegistryTextChars - 1] = L'\0';
    return true;
}

void ShellRegistry::WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value)
{
    SHSetValueW(HKEY_CURRENT_USER, path, name, REG_DWORD, &value, sizeof(value));
}

void ShellRegistry::WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text)
{
    const DWORD size = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    SHSetValueW(HKEY_CURRENT_USER, path, name, REG_SZ, text, size);
}

void ShellRegistry::DeleteValue(const wchar_t* path, const wchar_t* name)
{
    SHDeleteValueW(HKEY_CURRENT_USER, path, name);
}

void ShellRegistry::DeleteKeyTree(const wchar_t* path)
{
    SHDeleteKeyW(HKEY_CURRENT_USER, path);
}

} // namespace platform
