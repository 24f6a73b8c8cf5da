#include "tests/installer/RegistrySnapshot.h"

#include "platform/UniqueHandle.h"

#include <algorithm>
#include <iterator>

namespace installer_tests
{
namespace
{

// Registry key names have at most 255 characters; value names at most 16383.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;

std::wstring DataText(DWORD type, const std::vector<BYTE>& data, DWORD size)
{
    if (type == REG_SZ || type == REG_EXPAND_SZ)
    {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
        return text.substr(0, text.find(L'\0'));
    }
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring text;
    for (DWORD i = 0; i < size; ++i)
    {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0xF];
    }
    return text;
}

void AddValues(HKEY key, const std::wstring& name, RegistrySnapshot& snapshot)
{
    DWORD maxDataSize = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &maxDataSize, nullptr, nullptr) != ERROR_SUCCESS)
    {
        return;
    }
    std::vector<wchar_t> valueName(kMaxValueName);
    std::vector<BYTE> data(maxDataSize + sizeof(wchar_t));
    for (DWORD index = 0;; ++index)
    {
        DWORD nameLength = kMaxValueName;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, index, valueName.data(), &nameLength, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
        {
            return;
        }
        snapshot.insert(name + L": " + std::wstring(valueName.data(), nameLength) + L" = " +
                        std::to_wstring(type) + L" " + DataText(type, data, size));
    }
}

void AddKey(HKEY parent, const std::wstring& path, const std::wstring& name, RegistrySnapshot& snapshot)
{
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
    {
        return;
    }
    snapshot.insert(name);
    AddValues(key.Get(), name, snapshot);
    wchar_t subkey[kMaxKeyName];
    for (DWORD index = 0;; ++index)
    {
        DWORD length = kMaxKeyName;
        if (RegEnumKeyExW(key.Get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
        {
            return;
        }
        AddKey(key.Get(), subkey, name + L"\\" + subkey, snapshot);
    }
}

} // namespace

RegistrySnapshot SnapshotRegistry(const std::vector<RegistryArea>& areas)
{
    RegistrySnapshot snapshot;
    for (const RegistryArea& area : areas)
    {
        AddKey(area.root, area.path, std::wstring(area.rootName) + L"\\" + area.path, snapshot);
    }
    return snapshot;
}

std::vector<std::wstring> LinesOnlyIn(const RegistrySnapshot& snapshot, const RegistrySnapshot& other)
{
    std::vector<std::wstring> lines;
    std::set_difference(snapshot.begin(), snapshot.end(), other.begin(), other.end(),
                        std::back_inserter(lines));
    return lines;
}

} // namespace installer_tests
