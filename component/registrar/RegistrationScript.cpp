#include "component/registrar/RegistrationScript.h"

#include "component/registrar/RegObject.h"
#include "component/server/DllModule.h"
#include "component/server/ProcessRecords.h"
#include "platform/HResult.h"
#include "platform/ModuleFileName.h"

namespace
{

constexpr wchar_t kRegistryResourceType[] = L"REGISTRY";
constexpr wchar_t kModuleSubstitution[] = L"Module";
constexpr wchar_t kModuleRawSubstitution[] = L"Module_Raw";

// Room for a MAX_PATH path with every character a doubled quote, and the terminator.
constexpr size_t kEscapedPathLength = 2 * (MAX_PATH - 1) + 2;

// Scripts quote the module path, so each ' in it must arrive doubled.
void EscapeQuotes(const wchar_t* path, wchar_t (&escaped)[kEscapedPathLength])
{
    size_t length = 0;
    for (; *path != L'\0' && length + 2 < kEscapedPathLength; ++path)
    {
        if (*path == L'\'')
        {
            escaped[length++] = L'\'';
        }
        escaped[length++] = *path;
    }
    escaped[length] = L'\0';
}

} // namespace

HRESULT RunRegistrationScript(UINT resourceId, bool registering, const Substitution* substitutions,
                              RegistrationJournal* journal)
{
    CRegObject registrar;
    for (; substitutions != nullptr && substitutions->name != nullptr; ++substitutions)
    {
        if (substitutions->value != nullptr)
        {
            registrar.AddSubstitution(substitutions->name, substitutions->value);
        }
    }
    PROPAGATE_IF_FAILED(g_module->AddStandardSubstitutions(&registrar));

    wchar_t path[MAX_PATH];
    PROPAGATE_IF_FAILED(platform::GetModuleFileName(ModuleInstance().Instance(), path));
    wchar_t escaped[kEscapedPathLength];
    EscapeQuotes(path, escaped);
    if (FAILED(registrar.AddSubstitution(kModuleSubstitution, escaped)) ||
        FAILED(registrar.AddSubstitution(kModuleRawSubstitution, escaped)))
    {
        return E_OUTOFMEMORY;
    }
    return registrar.RunScriptResource(path, resourceId, kRegistryResourceType, registering, journal);
}
