#pragma once

#include <windows.h>

namespace platform
{

// Room for 15 characters and a terminator: the largest text the service reads.
constexpr DWORD kRegistryTextChars = 16;
using RegistryText = wchar_t[kRegistryTextChars];

// The six per-user registry operations of the service; paths are relative to HKEY_CURRENT_USER.
class IRegistry
{
  public:
    virtual ~IRegistry() = default;
    virtual bool ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) = 0;
    // On success text holds a terminated string of at most 15 characters.
    virtual bool ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text) = 0;
    virtual void WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) = 0;
    virtual void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) = 0;
    virtual void DeleteValue(const wchar_t* path, const wchar_t* name) = 0;
    virtual void DeleteKeyTree(const wchar_t* path) = 0;
};

// The operations through the shell's registry functions on HKEY_CURRENT_USER.
class ShellRegistry final : public IRegistry
{
  public:
    bool ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) override;
    bool ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text) override;
    void WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) override;
    void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) override;
    void DeleteValue(const wchar_t* path, const wchar_t* name) override;
    void DeleteKeyTree(const wchar_t* path) override;
};

} // namespace platform
