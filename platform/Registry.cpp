#include <windows.h>
#include <shlwapi.h>

#include "platform/Registry.h"
#include "platform/UniqueHandle.h"

#include <cwchar>

namespace platform
{
namespace
{

ReadResult ResultOf(LSTATUS status)
{
    switch (status)
    {
    case ERROR_SUCCESS:
        return ReadResult::Read;
    case ERROR_FILE_NOT_FOUND:
        return ReadResult::Missing;
    case ERROR_UNSUPPORTED_TYPE:
        return ReadResult::WrongType;
    case ERROR_MORE_DATA:
        return ReadResult::TooLong;
    default:
        return ReadResult::Refused;
    }
}

// A key the caller may not open still exists.
bool KeyExists(const wchar_t* path)
{
    UniqueRegKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_FILE_NOT_FOUND;
}

} // namespace

ReadResult ShellRegistry::ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value)
{
    DWORD number = 0;
    DWORD size = sizeof(number);
    const ReadResult result = ResultOf(SHGetValueW(HKEY_CURRENT_USER, path, name, nullptr, &number, &size));
    if (result == ReadResult::Read)
    {
        value = number;
    }
    return result;
}

ReadResult ShellRegistry::ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text)
{
    DWORD size = sizeof(text);
    // SHGetValueW would hand over a REG_EXPAND_SZ value expanded, as if it were REG_SZ; this call refuses it
    // and every other type, before it looks at the size.
    const ReadResult result = ResultOf(
        SHRegGetValueW(HKEY_CURRENT_USER, path, name, SRRF_RT_REG_SZ | SRRF_NOEXPAND, nullptr, text, &size));
    if (result != ReadResult::Read)
    {
        // A refused read may still have copied the data.
        text[0] = L'\0';
        return result;
    }
    // The stored data need not be a terminated string: it ends where the data ends, and data that fills
    // the whole buffer without a terminator is a text too long to read.
    const DWORD chars = size / sizeof(wchar_t);
    if (chars == kRegistryTextChars && wmemchr(text, L'\0', kRegistryTextChars) == nullptr)
    {
        text[0] = L'\0';
        return ReadResult::TooLong;
    }
    text[chars < kRegistryTextChars ? chars : kRegistryTextChars - 1] = L'\0';
    return ReadResult::Read;
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

bool ShellRegistry::DeleteKeyTree(const wchar_t* path)
{
    // "Not found" also comes back when a subkey on the way could not be opened, so only a key that is gone
    // counts as deleted.
    return SHDeleteKeyW(HKEY_CURRENT_USER, path) == ERROR_SUCCESS || !KeyExists(path);
}

} // namespace platform
