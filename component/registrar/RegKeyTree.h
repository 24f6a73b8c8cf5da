#pragma once

#include <windows.h>

#include "platform/Diagnostics.h"

#include <memory>

// A key that registration works in: an open handle for the work, and where the key lies (a predefined root
// and the path below it, empty for the root itself), by which it can be opened again after the handle is
// gone.
struct ScriptKey
{
    HKEY handle;
    HKEY root;
    const wchar_t* path;
};

// One diagnostic line for a registry step that failed on root\path[\subkey][, value valueName].
[[gnu::cold]] void ReportKeyFailure(const char* file, int line, const char* function, LSTATUS error,
                                    HKEY root, const wchar_t* path, const wchar_t* subkey,
                                    const wchar_t* valueName);

// Registry error codes. DeleteKeyTree removes parent\name with all its subkeys.
LSTATUS DeleteKeyTree(HKEY parent, const wchar_t* name);
LSTATUS DeleteOneKey(HKEY parent, const wchar_t* name);

// One value's name, type and data, read so that it can be written back as it was.
struct SavedValue
{
    // ERROR_FILE_NOT_FOUND when the value does not exist.
    LSTATUS Read(HKEY key, const wchar_t* valueName);
    LSTATUS Write(HKEY key) const;

    std::unique_ptr<wchar_t[]> name; // empty for a key's default value
    DWORD type = REG_NONE;
    std::unique_ptr<BYTE[]> data;
    DWORD size = 0;
};

// A key with its values and all its subkeys, copied before it is deleted so that a failed registration can
// bring it back. Security descriptors and volatility are not copied.
class SavedKeyTree
{
  public:
    // ERROR_FILE_NOT_FOUND when there is no such key. Any other failure (a subkey that cannot be read, no
    // memory) leaves no copy: the caller must not delete what it could not give back.
    static LSTATUS Copy(HKEY parent, const wchar_t* name, std::unique_ptr<SavedKeyTree>& tree);
    // Creates the key below parent again, or opens it where it still exists, and writes back its values and
    // subkeys. Goes on past failures, since there is nothing else to try, and reports each of them.
    void Restore(const ScriptKey& parent) const;

  private:
    LSTATUS CopyFrom(HKEY key);

    std::unique_ptr<wchar_t[]> m_name;
    std::unique_ptr<SavedValue[]> m_values;
    DWORD m_valueCount = 0;
    std::unique_ptr<std::unique_ptr<SavedKeyTree>[]> m_subkeys;
    DWORD m_subkeyCount = 0;
};
