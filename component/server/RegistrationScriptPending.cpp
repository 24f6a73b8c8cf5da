#include "component/server/RegistrationScript.h"

// Stands in until the script runner arrives with self-registration, which replaces this file.
HRESULT RunRegistrationScript(UINT, bool, const Substitution*)
{
    return E_NOTIMPL;
}
