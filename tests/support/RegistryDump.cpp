#include "tests/support/RegistryDump.h"

#include "platform/UniqueHandle.h"

#include <algorithm>
#include <vector>

namespace test_support
{

namespace
{

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

// The sorted lines, or none when the key cannot be opened.
std::vector<std::wstring> SortedLines(HKEY root, const std::wstring& path, const std::wstring& skippedPath)
{
    platform::UniqueRegKey key;
    std::vector<std::wstring> lines;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS)
    {
        DumpKey(key.Get(), path, skippedPath, lines);
        std::sort(lines.begin(), lines.end());
    }
    return lines;
}

} // namespace

std::wstring DumpTreeExcept(HKEY root, const std::wstring& path, const std::wstring& skippedPath)
{
    const std::vector<std::wstring> lines = SortedLines(root, path, skippedPath);
    if (lines.empty())
    {
        return L"(absent)";
    }
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

std::vector<std::wstring> DumpLines(HKEY root, const std::wstring& path, const std::wstring& shownPath)
{
    std::vector<std::wstring> lines = SortedLines(root, path, L"");
    for (std::wstring& line : lines)
    {
        // A key's line is "[path...]", a value's "path... :name=...".
        const size_t start = line.starts_with(L'[') ? 1 : 0;
        line.replace(start, path.size(), shownPath);
    }
    return lines;
}

} // namespace test_support
