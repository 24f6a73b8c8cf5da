#include <windows.h>
#include <shlwapi.h>

#include "platform/Registry.h"

#include "platform/HResult.h"
#include "platform/RegistryTree.h"
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

// What a status means for the trace: a missing key or value is no failure.
HRESULT FailureOf(LSTATUS status)
{
    return status == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromWin32(status);
}

} // namespace

ReadResult ShellRegistry::ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value)
{
    DWORD number = 0;
    DWORD size = sizeof(number);
    const LSTATUS status = SHGetValueW(HKEY_CURRENT_USER, path, name, nullptr, &number, &size);
    m_readFailures.Update(PLATFORM_FAILURE_SITE, name, FailureOf(status), name);
    if (status == ERROR_SUCCESS)
    {
        value = number;
    }
    return ResultOf(status);
}

ReadResult ShellRegistry::ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text)
{
    DWORD size = sizeof(text);
    // Text of the three string types, as SHGetValueW hands it over (REG_EXPAND_SZ expanded, REG_MULTI_SZ up
    // to its first string), while every other type is refused before its size is looked at.
    LSTATUS status = SHRegGetValueW(HKEY_CURRENT_USER, path, name, SRRF_RT_REG_SZ | SRRF_RT_REG_MULTI_SZ,
                                    nullptr, text, &size);
    // The stored data need not be a terminated string: it ends where the data ends, and data that fills the
    // whole buffer without a terminator is a text too long to read.
    const DWORD chars = size / sizeof(wchar_t);
    if (status == ERROR_SUCCESS && chars == kRegistryTextChars &&
        wmemchr(text, L'\0', kRegistryTextChars) == nullptr)
    {
        status = ERROR_MORE_DATA;
    }
    m_readFailures.Update(PLATFORM_FAILURE_SITE, name, FailureOf(status), name);
    if (status != ERROR_SUCCESS)
    {
        // A refused read may still have copied the data.
        text[0] = L'\0';
        return ResultOf(status);
    }
    text[chars < kRegistryTextChars ? chars : kRegistryTextChars - 1] = L'\0';
    return ReadResult::Read;
}

bool ShellRegistry::ValueExists(const wchar_t* path, const wchar_t* name)
{
    const LSTATUS status = SHGetValueW(HKEY_CURRENT_USER, path, name, nullptr, nullptr, nullptr);
    m_readFailures.Update(PLATFORM_FAILURE_SITE, name, FailureOf(status), name);
    return status != ERROR_FILE_NOT_FOUND;
}

bool ShellRegistry::WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value)
{
    const LSTATUS status = SHSetValueW(HKEY_CURRENT_USER, path, name, REG_DWORD, &value, sizeof(value));
    m_writeFailures.Update(PLATFORM_FAILURE_SITE, name, HResultFromWin32(status), name);
    return status == ERROR_SUCCESS;
}

void ShellRegistry::WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text)
{
    const DWORD size = static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t));
    const LSTATUS status = SHSetValueW(HKEY_CURRENT_USER, path, name, REG_SZ, text, size);
    m_writeFailures.Update(PLATFORM_FAILURE_SITE, name, HResultFromWin32(status), name);
}

bool ShellRegistry::DeleteValue(const wchar_t* path, const wchar_t* name)
{
    const LSTATUS status = SHDeleteValueW(HKEY_CURRENT_USER, path, name);
    const HRESULT failure = FailureOf(status);
    m_deleteFailures.Update(PLATFORM_FAILURE_SITE, name, failure, name);
    return SUCCEEDED(failure);
}

bool ShellRegistry::DeleteKeyTree(const wchar_t* path)
{
    return SUCCEEDED(DeleteKeyTreeWithoutLinks(HKEY_CURRENT_USER, path));
}

} // namespace platform
