#pragma once

#include <windows.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace test_support
{

// A registry value as the registry keeps it: its type and its bytes.
struct StoredValue
{
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const StoredValue&) const = default;
};

inline StoredValue NumberValue(DWORD number)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
    return {REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(number))};
}

// REG_SZ with its terminator, as a gadget writes it.
inline StoredValue TextValue(const std::wstring& text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

// For test failure messages: "type 4: 01 00 00 00".
inline void PrintTo(const StoredValue& value, std::ostream* out)
{
    *out << "type " << value.type << ":";
    for (const BYTE byte : value.data)
    {
        char hex[4];
        std::snprintf(hex, sizeof(hex), " %02X", byte);
        *out << hex;
    }
}

} // namespace test_support
