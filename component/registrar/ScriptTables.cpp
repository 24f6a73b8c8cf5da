#include "component/registrar/ScriptTables.h"

namespace
{

struct RootKey
{
    LPCWSTR name;
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
    LPCWSTR letter;
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
    LPCWSTR name;
    ScriptKeyword keyword;
};

const Keyword kKeywords[] = {
    {L"ForceRemove", ScriptKeyword::ForceRemove},
    {L"Delete", ScriptKeyword::Delete},
    {L"NoRemove", ScriptKeyword::NoRemove},
    {L"Val", ScriptKeyword::Val},
};

const LPCWSTR kProtectedKeyNames[] = {
    L"AppID",    L"CLSID",     L"Component Categories",
    L"FileType", L"Interface", L"Hardware",
    L"Mime",     L"SAM",       L"SECURITY",
    L"SYSTEM",   L"Software",  L"TypeLib",
};

bool SameText(LPCWSTR left, LPCWSTR right)
{
    return lstrcmpiW(left, right) == 0;
}

} // namespace

HKEY LookupRootKey(LPCWSTR name)
{
    for (const RootKey& root : kRootKeys)
    {
        if (SameText(name, root.name))
        {
            return root.key;
        }
    }
    return nullptr;
}

bool LookupValueType(LPCWSTR letter, DWORD& type)
{
    for (const ValueType& valueType : kValueTypes)
    {
        if (SameText(letter, valueType.letter))
        {
            type = valueType.type;
            return true;
        }
    }
    return false;
}

ScriptKeyword ClassifyKeyword(LPCWSTR token)
{
    for (const Keyword& keyword : kKeywords)
    {
        if (SameText(token, keyword.name))
        {
            return keyword.keyword;
        }
    }
    return ScriptKeyword::None;
}

bool IsProtectedKeyName(LPCWSTR name)
{
    for (LPCWSTR protectedName : kProtectedKeyNames)
    {
        if (SameText(name, protectedName))
        {
            return true;
        }
    }
    return false;
}
