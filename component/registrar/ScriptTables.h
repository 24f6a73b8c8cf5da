#pragma once

#include <windows.h>

// The fixed vocabulary of registration scripts.

// The predefined key named by a root token (without regard to case), or null when it names none.
HKEY LookupRootKey(const wchar_t* name);
// The short name of a predefined key (HKCR, HKCU, ...), or "?" for another key.
const wchar_t* RootKeyName(HKEY key);

// The registry type of a value-type token (S, M, D or B in any case); false when it is none of them.
bool LookupValueType(const wchar_t* letter, DWORD& type);

enum class ScriptKeyword
{
    None,
    ForceRemove,
    Delete,
    NoRemove,
    Val,
};

ScriptKeyword ClassifyKeyword(const wchar_t* token);

// Keys that ForceRemove and Delete must never take away, whatever a script says.
bool IsProtectedKeyName(const wchar_t* name);
