#pragma once

#include <windows.h>

// The fixed vocabulary of registration scripts.

// The predefined key named by a root token (without regard to case), or null when it names none.
HKEY LookupRootKey(LPCWSTR name);

// The registry type of a value-type token (S, M, D or B in any case); false when it is none of them.
bool LookupValueType(LPCWSTR letter, DWORD& type);

enum class ScriptKeyword
{
    None,
    ForceRemove,
    Delete,
    NoRemove,
    Val,
};

ScriptKeyword ClassifyKeyword(LPCWSTR token);

// Keys that ForceRemove and Delete must never take away, whatever a script says.
bool IsProtectedKeyName(LPCWSTR name);
