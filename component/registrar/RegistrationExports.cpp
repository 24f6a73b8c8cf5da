#include "component/registrar/ClassCategories.h"
#include "component/registrar/ModuleTypeLibraryRegistration.h"
#include "component/registrar/PerUserRegistration.h"
#include "component/registrar/ThreadLocaleScope.h"
#include "component/resources/ResourceIds.h"
#include "component/server/ObjectMap.h"
#include "component/server/RegistrationScript.h"
#include "component/server/VoltwiseModule.h"
#include "platform/HResult.h"

#include <objbase.h>

namespace
{

constexpr wchar_t kPerUserCommandLine[] = L"user";

const Substitution kApplicationSubstitutions[] = {{kAppIdSubstitution, kVoltwiseAppId}, {nullptr, nullptr}};

// Every class of the object map in turn, up to the first failure.
template <typename Step> HRESULT ForEachClass(Step step)
{
    HRESULT result = S_OK;
    VoltwiseObjectMap().FindEntry(
        [&](ObjectMapEntry& entry)
        {
            result = step(entry);
            return FAILED(result);
        });
    return result;
}

HRESULT RegisterServer()
{
    RETURN_IF_FAILED(RunRegistrationScript(IDR_VOLTWISE, true, kApplicationSubstitutions));
    RETURN_IF_FAILED(ForEachClass(
        [](ObjectMapEntry& entry)
        {
            RETURN_IF_FAILED(entry.updateRegistry(true));
            return RegisterClassCategories(*entry.clsid, entry.categoryMap(), true);
        }));
    return RegisterModuleTypeLibrary();
}

// The reverse of registration: classes first, then the type library, then the application entries.
HRESULT UnregisterServer()
{
    RETURN_IF_FAILED(ForEachClass(
        [](ObjectMapEntry& entry)
        {
            RETURN_IF_FAILED(RegisterClassCategories(*entry.clsid, entry.categoryMap(), false));
            return entry.updateRegistry(false);
        }));
    RETURN_IF_FAILED(UnregisterModuleTypeLibrary());
    return RunRegistrationScript(IDR_VOLTWISE, false, kApplicationSubstitutions);
}

// True for "user" in any letter case and nothing more; only A to Z are folded, whatever the locale.
bool IsPerUserCommandLine(const wchar_t* commandLine)
{
    if (commandLine == nullptr)
    {
        return false;
    }
    for (size_t i = 0; i < sizeof kPerUserCommandLine / sizeof kPerUserCommandLine[0]; ++i)
    {
        wchar_t c = commandLine[i];
        if (c >= L'A' && c <= L'Z')
        {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != kPerUserCommandLine[i])
        {
            return false;
        }
    }
    return true;
}

} // namespace

STDAPI DllRegisterServer()
{
    ThreadLocaleScope systemLocale;
    return RegisterServer();
}

STDAPI DllUnregisterServer()
{
    ThreadLocaleScope systemLocale;
    return UnregisterServer();
}

STDAPI DllInstall(BOOL install, LPCWSTR commandLine)
{
    if (IsPerUserCommandLine(commandLine))
    {
        EnablePerUserRegistration();
    }
    if (!install)
    {
        return DllUnregisterServer();
    }
    const HRESULT result = DllRegisterServer();
    if (FAILED(result))
    {
        DllUnregisterServer();
    }
    return result;
}
