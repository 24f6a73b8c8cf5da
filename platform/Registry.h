#pragma once

#include <windows.h>

#include "platform/Diagnostics.h"

namespace platform
{

// Room for 15 characters and a terminator: the largest text the service reads.
constexpr DWORD kRegistryTextChars = 16;
using RegistryText = wchar_t[kRegistryTextChars];

// What became of a read; callers use the value only after Read, and the others say why it was refused.
enum class ReadResult
{
    Read,
    Missing,   // the key or the value does not exist
    WrongType, // a text read met a value that is not of a string type
    TooLong,   // the data does not fit: more than 4 bytes for a number, more than 15 characters for a text
    Refused,   // any other failure of the registry
};

// The six per-user registry operations of the service; paths are relative to HKEY_CURRENT_USER.
class IRegistry
{
  public:
    virtual ~IRegistry() = default;
    // Takes the first four bytes of a value of at most 4 bytes, whatever its type, as a little-endian
    // number (shorter data is padded with zero bytes).
    virtual ReadResult ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) = 0;
    // Reads the three string types (REG_EXPAND_SZ expanded, REG_MULTI_SZ up to its first string); on success
    // text holds a terminated string of at most 15 characters, on failure an empty one.
    virtual ReadResult ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text) = 0;
    // False only when the key or the value is known to be absent: a value that cannot be read exists.
    virtual bool ValueExists(const wchar_t* path, const wchar_t* name) = 0;
    // True when the value holds the number afterwards.
    virtual bool WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) = 0;
    virtual void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) = 0;
    // True when the value no longer exists afterwards, also when there was none.
    virtual bool DeleteValue(const wchar_t* path, const wchar_t* name) = 0;
    // True when the key no longer exists afterwards, also when there was none. A registry link at or below
    // the key is deleted itself, never the key it leads to.
    virtual bool DeleteKeyTree(const wchar_t* path) = 0;
};

// The operations through the shell's registry functions on HKEY_CURRENT_USER (the tree deletion through
// DeleteKeyTreeWithoutLinks). Failures are reported, refused command values among them; a missing key or
// value is a state of the shared area and is not.
class ShellRegistry final : public IRegistry
{
  public:
    ReadResult ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) override;
    ReadResult ReadText(const wchar_t* path, const wchar_t* name, RegistryText& text) override;
    bool ValueExists(const wchar_t* path, const wchar_t* name) override;
    bool WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) override;
    void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) override;
    bool DeleteValue(const wchar_t* path, const wchar_t* name) override;
    bool DeleteKeyTree(const wchar_t* path) override;

  private:
    // A failing operation on a value would fail again on every tick: each is reported when it starts and when
    // it ends, told apart by the value's name.
    RepeatingFailures m_readFailures;
    RepeatingFailures m_writeFailures;
    RepeatingFailures m_deleteFailures;
};

} // namespace platform
