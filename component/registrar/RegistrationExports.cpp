#include "component/registrar/ClassCategories.h"
#include "component/registrar/ModuleTypeLibraryRegistration.h"
#include "component/registrar/PerUserRegistration.h"
#include "component/registrar/RegistrationJournal.h"
#include "component/registrar/ThreadLocaleScope.h"
#include "component/resources/ResourceIds.h"
#include "component/server/ObjectMap.h"
#include "component/registrar/RegistrationScript.h"
#include "component/server/VoltwiseModule.h"
#include "platform/HResult.h"

#include <objbase.h>

namespace
{

constexpr wchar_t kPerUserCommandLine[] = L"user";

// The module's standard substitutions add APPID too; named here so the application keys never hinge on them.
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

HRESULT RegisterEverything(RegistrationJournal& journal)
{
    PROPAGATE_IF_FAILED(RunRegistrationScript(IDR_VOLTWISE, true, kApplicationSubstitutions, &journal));
    PROPAGATE_IF_FAILED(ForEachClass(
        [&](ObjectMapEntry& entry)
        {
            PROPAGATE_IF_FAILED(entry.updateRegistry(true, &journal));
            return RegisterClassCategories(*entry.clsid, entry.categoryMap(), true);
        }));
    return RegisterModuleTypeLibrary();
}

// Whichever step fails, every entry that this registration created is taken away again, and nothing
// that was there before it.
HRESULT RegisterServer()
{
    RegistrationJournal journal;
    const HRESULT result = RegisterEverything(journal);
    if (FAILED(result))
    {
        journal.UndoAll();
    }
    return result;
}

// The first failure of a run of steps that all run.
class FirstFailure
{
  public:
    void Add(HRESULT result)
    {
        if (FAILED(result) && SUCCEEDED(m_result))
        {
            m_result = result;
        }
    }
    HRESULT Result() const { return m_result; }

  private:
    HRESULT m_result = S_OK;
};

// The reverse of registration: classes first, then the type library, then the application entries.
// Every step runs whatever an earlier one gave, so that one obstacle leaves no other entry behind.
HRESULT UnregisterServer()
{
    FirstFailure result;
    VoltwiseObjectMap().ForEachEntry(
        [&](ObjectMapEntry& entry)
        {
            result.Add(RegisterClassCategories(*entry.clsid, entry.categoryMap(), false));
            result.Add(entry.updateRegistry(false, nullptr));
        });
    result.Add(UnregisterModuleTypeLibrary());
    result.Add(RunRegistrationScript(IDR_VOLTWISE, false, kApplicationSubstitutions, nullptr));
    return result.Result();
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

STDAPI DllInstall(BOOL install, const wchar_t* commandLine)
{
    if (IsPerUserCommandLine(commandLine))
    {
        EnablePerUserRegistration();
    }
    // A failed registration has already taken away what it created; unregistering on top of that would
    // also remove what was registered before it.
    return install ? DllRegisterServer() : DllUnregisterServer();
}
