#include "component/registrar/ScriptTables.h"

namespace
{

struct RootKey
{
    const wchar_t* name;
    HKEY key;
};

const RootKey kRootKeys[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},
    {L"HKCU", HKEY_CURRENT_USER},
    {L"HKLM", HKEY_LOCAL_MACHINE},
    {L"HKU", HKEY_USERS},
    {L"HKPD", HKEY_PERFORMANCE_DATA},
    {L"HKDD", HKEY_DYN_DATA},
    {L"HKCC", HKEY_CURRENT_CONFIG},
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_PERFORMANCE_DATA", HKEY_PERFORMANCE_DATA},
    {L"HKEY_DYN_DATA", HKEY_DYN_DATA},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

struct ValueType
{
    const wchar_t* name;
    DWORD type;
};

const ValueType kValueTypes[] = {
    {L"S", REG_SZ},
    {L"M", REG_MULTI_SZ},
    {L"D", REG_DWORD},
    {L"B", REG_BINARY},
};

struct Keyword
{
    const wchar_t* name;
    ScriptKeyword keyword;
};

const Keyword kKeywords[] = {
    {L"ForceRemove", ScriptKeyword::ForceRemove},
    {L"Delete", ScriptKeyword::Delete},
    {L"NoRemove", ScriptKeyword::NoRemove},
    {L"Val", ScriptKeyword::Val},
};

struct ProtectedKeyName
{
    const wchar_t* name;
};

const ProtectedKeyName kProtectedKeyNames[] = {
    {L"AppID"},    {L"CLSID"},     {L"Component Categories"},
    {L"FileType"}, {L"Interface"}, {L"Hardware"},
    {L"Mime"},     {L"SAM"},       {L"SECURITY"},
    {L"SYSTEM"},   {L"Software"},  {L"TypeLib"},
};

// The first row whose name matches without regard to case, or null.
template <typename Row, size_t Count> const Row* FindRow(const Row (&rows)[Count], const wchar_t* name)
{
    for (const Row& row : rows)
    {
        if (lstrcmpiW(name, row.name) == 0)
        {
            return &row;
        }
    }
    return nullptr;
}

} // namespace

HKEY LookupRootKey(const wchar_t* name)
{
    const RootKey* root = FindRow(kRootKeys, name);
    return root != nullptr ? root->key : nullptr;
}

const wchar_t* RootKeyName(HKEY key)
{
    for (const RootKey& root : kRootKeys)
    {
        if (root.key == key)
        {
            return root.name;
        }
    }
    return L"?";
}

bool LookupValueType(const wchar_t* letter, DWORD& type)
{
    const ValueType* valueType = FindRow(kValueTypes, letter);
    if (valueType == nullptr)
    {
        return false;
    }
    type = valueType->type;
    return true;
}

ScriptKeyword ClassifyKeyword(const wchar_t* token)
{
    const Keyword* keyword = FindRow(kKeywords, token);
    return keyword != nullptr ? keyword->keyword : ScriptKeyword::None;
}

bool IsProtectedKeyName(const wchar_t* name)
{
    return FindRow(kProtectedKeyNames, name) != nullptr;
}
