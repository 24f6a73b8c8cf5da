#include "tests/component/registrar/RegistryTestSupport.h"

#include "component/registrar/RegObject.h"
#include "component/registrar/RegScriptParser.h"
#include "platform/UniqueHandle.h"

#include <algorithm>
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

std::wstring HexBytes(const BYTE* data, DWORD size)
{
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    for (DWORD index = 0; index < size; ++index)
    {
        text += digits[data[index] >> 4];
        text += digits[data[index] & 15];
    }
    return text;
}

void DumpKey(HKEY key, const std::wstring& path, const std::wstring& skippedPath,
             std::vector<std::wstring>& lines)
{
    lines.push_back(L"[" + path + L"]");
    // On the heap: the dump recurses as deep as the tree.
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    for (DWORD index = 0;; ++index)
    {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = 0;
        DWORD dataSize = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS)
        {
            break;
        }
        lines.push_back(path + L" :" + name.data() + L"=" + std::to_wstring(type) + L":" +
                        HexBytes(data.data(), dataSize));
    }
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index)
    {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
        {
            break;
        }
        subkeys.emplace_back(name.data());
    }
    for (const std::wstring& subkey : subkeys)
    {
        const std::wstring subkeyPath = path + L"\\" + subkey;
        if (!skippedPath.empty() && lstrcmpiW(subkeyPath.c_str(), skippedPath.c_str()) == 0)
        {
            continue;
        }
        platform::UniqueRegKey child;
        if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, child.Put()) == ERROR_SUCCESS)
        {
            DumpKey(child.Get(), subkeyPath, skippedPath, lines);
        }
        else
        {
            lines.push_back(L"[" + subkeyPath + L"] unreadable");
        }
    }
}

} // namespace

TestKey::TestKey(std::wstring name) : m_name(std::move(name))
{
    CRegScriptParser::DeleteKeyTree(HKEY_CURRENT_USER, Path().c_str());
    Create(L"");
}

TestKey::~TestKey()
{
    CRegScriptParser::DeleteKeyTree(HKEY_CURRENT_USER, Path().c_str());
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
    return DumpTree(HKEY_CURRENT_USER, Path());
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

std::wstring DumpTreeExcept(HKEY root, const std::wstring& path, const std::wstring& skippedPath)
{
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
    {
        return L"(absent)";
    }
    std::vector<std::wstring> lines;
    DumpKey(key.Get(), path, skippedPath, lines);
    std::sort(lines.begin(), lines.end());
    std::wstring dump;
    for (const std::wstring& line : lines)
    {
        dump += line + L"\n";
    }
    return dump;
}

std::wstring DumpTree(HKEY root, const std::wstring& path)
{
    return DumpTreeExcept(root, path, L"");
}

HRESULT RunTestScript(const std::wstring& text, bool doRegister,
                      const std::vector<std::pair<std::wstring, std::wstring>>& substitutions)
{
    CRegObject registrar;
    for (const auto& [name, value] : substitutions)
    {
        registrar.AddSubstitution(name.c_str(), value.c_str());
    }
    return CRegScriptParser(registrar).RunScript(text.c_str(), doRegister);
}

std::vector<BYTE> StringBytes(const std::wstring& text)
{
    const auto* begin = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(begin, begin + (text.size() + 1) * sizeof(wchar_t));
}
