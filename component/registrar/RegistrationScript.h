#pragma once

#include <windows.h>

// A name and value that a registration script's %name% placeholders are replaced with.
struct Substitution
{
    const wchar_t* name;
    const wchar_t* value;
};

class RegistrationJournal;

// Runs the "REGISTRY" script resource resourceId of this module, registering or unregistering, with
// the module's standard substitutions and the given ones (ended by a null name; may be null). A
// registration records what it creates in the journal, when one is given, so that the caller can undo it.
HRESULT RunRegistrationScript(UINT resourceId, bool registering, const Substitution* substitutions,
                              RegistrationJournal* journal);
