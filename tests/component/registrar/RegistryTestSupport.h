#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RegistrationJournal;

// Root of every key the registrar tests write: HKCU\Software\VoltwiseRegistrarTests.
extern const wchar_t kTestRootPath[];

// A private key HKCU\Software\VoltwiseRegistrarTests\<name>, created empty and removed with its tree.
class TestKey
{
  public:
    explicit TestKey(std::wstring name);
    ~TestKey();
    TestKey(const TestKey&) = delete;
    TestKey& operator=(const TestKey&) = delete;

    // Path below HKCU.
    std::wstring Path(const std::wstring& relative = L"") const;
    // A script whose single HKCU root block leads into this key and holds body there.
    std::wstring Script(const std::wstring& body) const;

    bool Exists(const std::wstring& relative) const;
    void Create(const std::wstring& relative) const;
    void SetString(const std::wstring& relative, const wchar_t* valueName, const std::wstring& data) const;
    bool HasValue(const std::wstring& relative, const wchar_t* valueName) const;
    // Every key and value below this key, sorted, one per line.
    std::wstring Dump() const;

  private:
    std::wstring m_name;
};

// Makes a key below the test key (creating it) one that the user may read but not change, until it goes.
class ReadOnlyKey
{
  public:
    ReadOnlyKey(const TestKey& key, const std::wstring& relative);
    ~ReadOnlyKey();
    ReadOnlyKey(const ReadOnlyKey&) = delete;
    ReadOnlyKey& operator=(const ReadOnlyKey&) = delete;

  private:
    LSTATUS SetDacl(const wchar_t* sddl) const;

    std::wstring m_path;
};

// The diagnostic lines that this process sends as debug output while it lives.
class CapturedDiagnostics
{
  public:
    CapturedDiagnostics();
    ~CapturedDiagnostics();
    CapturedDiagnostics(const CapturedDiagnostics&) = delete;
    CapturedDiagnostics& operator=(const CapturedDiagnostics&) = delete;

    std::vector<std::string> Lines() const;
};

struct RegistryValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

bool ReadValue(HKEY root, const std::wstring& path, const wchar_t* valueName, RegistryValue& value);
bool KeyExists(HKEY root, const std::wstring& path);

// Runs text in one registrar with the given substitutions (name, value pairs), recording what it changes in
// the journal when one is given.
HRESULT RunTestScript(const std::wstring& text, bool doRegister,
                      const std::vector<std::pair<std::wstring, std::wstring>>& substitutions = {},
                      RegistrationJournal* journal = nullptr);

// Bytes of a UTF-16 string including its terminating zero, as REG_SZ stores them.
std::vector<BYTE> StringBytes(const std::wstring& text);
