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
