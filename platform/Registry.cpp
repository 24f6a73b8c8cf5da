#include <windows.h>
#include <shlwapi.h>

#include "platform/Registry.h"

#include "platform/HResult.h"
#include "platform/RegistryTree.h"
#include "platform/UniqueHandle.h"

#include <cwchar>
#include <memory>
#include <new>

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

// The stored bytes of a value, at most size of them. The shell's reads expand a REG_EXPAND_SZ in the caller's
// buffer and may write past the size they are given; this read writes only what we allow.
LSTATUS ReadStoredData(const wchar_t* path, const wchar_t* name, DWORD& type, void* data, DWORD& size)
{
    UniqueRegKey key;
    const LSTATUS openStatus = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, key.Put());
    if (openStatus != ERROR_SUCCESS)
    {
        return openStatus;
    }
    return RegQueryValueExW(key.Get(), name, nullptr, &type, static_cast<BYTE*>(data), &size);
}

// The stored data need not be a terminated string: it ends where the data ends, and data that fills the whole
// buffer without a terminator is a text too long to read. A list ends at its first string.
LSTATUS TerminateText(RegistryText& text, DWORD size)
{
    const DWORD chars = size / sizeof(wchar_t);
    if (chars == kRegistryTextChars && wmemchr(text, L'\0', kRegistryTextChars) == nullptr)
    {
        return ERROR_MORE_DATA;
    }
    text[chars < kRegistryTextChars ? chars : kRegistryTextChars - 1] = L'\0';
    return ERROR_SUCCESS;
}

// The expansion function takes at most 32K characters; a longer stored text is too long whatever it expands
// to.
constexpr DWORD kMaxExpandableChars = 32767;

// A REG_EXPAND_SZ of storedSize bytes, expanded into text; an expansion that does not fit is too long.
LSTATUS ExpandText(const wchar_t* path, const wchar_t* name, DWORD storedSize, RegistryText& text)
{
    if (storedSize > kMaxExpandableChars * sizeof(wchar_t))
    {
        return ERROR_MORE_DATA;
    }
    const DWORD storedChars = storedSize / sizeof(wchar_t);
    const std::unique_ptr<wchar_t[]> stored(new (std::nothrow) wchar_t[storedChars + 1]);
    if (!stored)
    {
        return ERROR_OUTOFMEMORY;
    }
    DWORD type = REG_NONE;
    DWORD size = storedSize; // an odd last byte fits into the unit that the terminator takes
    const LSTATUS status = ReadStoredData(path, name, type, stored.get(), size);
    if (status != ERROR_SUCCESS)
    {
        return status; // grown since it was measured: too long now
    }
    if (type != REG_EXPAND_SZ)
    {
        return ERROR_CANTREAD; // rewritten between the two reads; the next tick reads it afresh
    }
    stored[size / sizeof(wchar_t)] = L'\0';
    const DWORD needed = ExpandEnvironmentStringsW(stored.get(), text, kRegistryTextChars);
    if (needed == 0)
    {
        const DWORD error = GetLastError();
        return error != ERROR_SUCCESS ? static_cast<LSTATUS>(error) : ERROR_CANTREAD;
    }
    return needed <= kRegistryTextChars ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

// Text of the three string types: REG_SZ as it is, REG_EXPAND_SZ expanded, REG_MULTI_SZ up to its first
// string. Every other type is refused before its size is looked at.
LSTATUS ReadTextData(const wchar_t* path, const wchar_t* name, RegistryText& text)
{
    DWORD type = REG_NONE;
    DWORD size = sizeof(text);
    const LSTATUS status = ReadStoredData(path, name, type, text, size);
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
    {
        return status;
    }
    switch (type)
    {
    case REG_SZ:
    case REG_MULTI_SZ:
        return status == ERROR_SUCCESS ? TerminateText(text, size) : status;
    case REG_EXPAND_SZ:
        return ExpandText(path, name, size, text);
    default:
        return ERROR_UNSUPPORTED_TYPE;
    }
}

} // namespace

ReadResult ShellRegistry::ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value)
{
    DWORD type = REG_NONE;
    DWORD number = 0;
    DWORD size = sizeof(number);
    const LSTATUS status = ReadStoredData(path, name, type, &number, size);
    m_readFailures.Update(PLATFORM_FAILURE_SITE, name, FailureOf(status), name);
    if (status == ERROR_SUCCESS)
    {
        value = number;
    }
    return ResultOf(status);
}

ReadResult ShellRegistry::ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text)
{
    const LSTATUS status = ReadTextData(path, name, text);
    m_readFailures.Update(PLATFORM_FAILURE_SITE, name, FailureOf(status), name);
    if (status != ERROR_SUCCESS)
    {
        // A refused read may still have copied the data.
        text[0] = L'\0';
    }
    return ResultOf(status);
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
