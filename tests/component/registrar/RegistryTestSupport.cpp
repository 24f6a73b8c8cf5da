#include "tests/component/registrar/RegistryTestSupport.h"

#include "tests/support/RegistryKeys.h"

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegObject.h"
#include "component/registrar/RegScriptParser.h"
#include "platform/UniqueHandle.h"
#include "tests/support/RegistryDump.h"

#include <sddl.h>

#include <cstring>
#include <cwchar>
#include <stdexcept>

const wchar_t kTestRootPath[] = L"Software\\VoltwiseRegistrarTests";

namespace
{

void Check(LSTATUS status, const char* what)
{
    if (status != ERROR_SUCCESS)
    {
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(status));
    }
}

std::wstring Join(const std::wstring& path, const std::wstring& relative)
{
    return relative.empty() ? path : path + L"\\" + relative;
}

std::vector<std::string> g_capturedLines;
PVOID g_captureHandler = nullptr;

// Debug output is an exception that the system raises and handles itself; a first look at it costs nothing.
LONG CALLBACK CaptureDebugOutput(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
    {
        const char* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        std::string line(text, record.ExceptionInformation[0] != 0 ? record.ExceptionInformation[0] - 1 : 0);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == '\0'))
        {
            line.pop_back();
        }
        g_capturedLines.push_back(line);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

CapturedDiagnostics::CapturedDiagnostics()
{
    g_capturedLines.clear();
    g_captureHandler = AddVectoredExceptionHandler(1, CaptureDebugOutput);
}

CapturedDiagnostics::~CapturedDiagnostics()
{
    RemoveVectoredExceptionHandler(g_captureHandler);
}

std::vector<std::string> CapturedDiagnostics::Lines() const
{
    return g_capturedLines;
}

ReadOnlyKey::ReadOnlyKey(const TestKey& key, const std::wstring& relative) : m_path(key.Path(relative))
{
    key.Create(relative);
    Check(SetDacl(L"D:P(A;;KR;;;WD)(A;;WD;;;WD)"), "RegSetKeySecurity");
}

ReadOnlyKey::~ReadOnlyKey()
{
    SetDacl(L"D:P(A;;KA;;;WD)");
}

LSTATUS ReadOnlyKey::SetDacl(const wchar_t* sddl) const
{
    return test_support::SetKeyPermissions(HKEY_CURRENT_USER, m_path, sddl);
}

TestKey::TestKey(std::wstring name) : m_name(std::move(name))
{
    DeleteKeyTree(HKEY_CURRENT_USER, Path().c_str());
    Create(L"");
}

TestKey::~TestKey()
{
    DeleteKeyTree(HKEY_CURRENT_USER, Path().c_str());
}

std::wstring TestKey::Path(const std::wstring& relative) const
{
    return Join(std::wstring(kTestRootPath) + L"\\" + m_name, relative);
}

std::wstring TestKey::Script(const std::wstring& body) const
{
    return L"HKCU\r\n{\r\n\tNoRemove Software\r\n\t{\r\n\t\tNoRemove "
           L"VoltwiseRegistrarTests\r\n\t\t{\r\n\t\t\tNoRemove '" +
           m_name + L"'\r\n\t\t\t{\r\n" + body + L"\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n";
}

bool TestKey::Exists(const std::wstring& relative) const
{
    return KeyExists(HKEY_CURRENT_USER, Path(relative));
}

void TestKey::Create(const std::wstring& relative) const
{
    platform::UniqueRegKey key;
    Check(RegCreateKeyExW(HKEY_CURRENT_USER, Path(relative).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          key.Put(), nullptr),
          "RegCreateKeyExW");
}

void TestKey::SetString(const std::wstring& relative, const wchar_t* valueName,
                        const std::wstring& data) const
{
    Create(relative);
    platform::UniqueRegKey key;
    Check(RegOpenKeyExW(HKEY_CURRENT_USER, Path(relative).c_str(), 0, KEY_SET_VALUE, key.Put()),
          "RegOpenKeyExW");
    const std::vector<BYTE> bytes = StringBytes(data);
    Check(RegSetValueExW(key.Get(), valueName, 0, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size())),
          "RegSetValueExW");
}

bool TestKey::HasValue(const std::wstring& relative, const wchar_t* valueName) const
{
    RegistryValue value;
    return ReadValue(HKEY_CURRENT_USER, Path(relative), valueName, value);
}

std::wstring TestKey::Dump() const
{
    return test_support::DumpTree(HKEY_CURRENT_USER, Path());
}

bool ReadValue(HKEY root, const std::wstring& path, const wchar_t* valueName, RegistryValue& value)
{
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
    {
        return false;
    }
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), valueName, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
    {
        return false;
    }
    value.data.resize(size);
    return RegQueryValueExW(key.Get(), valueName, nullptr, &value.type, value.data.data(), &size) ==
           ERROR_SUCCESS;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    platform::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

HRESULT RunTestScript(const std::wstring& text, bool doRegister,
                      const std::vector<std::pair<std::wstring, std::wstring>>& substitutions,
                      RegistrationJournal* journal)
{
    CRegObject registrar;
    for (const auto& [name, value] : substitutions)
    {
        registrar.AddSubstitution(name.c_str(), value.c_str());
    }
    return CRegScriptParser(registrar).RunScript(text.c_str(), doRegister, journal);
}

std::vector<BYTE> StringBytes(const std::wstring& text)
{
    const auto* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}
