#include "component/registrar/ModuleTypeLibraryRegistration.h"

#include "component/automation/ModuleTypeLibrary.h"
#include "component/registrar/PerUserRegistration.h"
#include "component/server/ProcessRecords.h"
#include "platform/ComPtr.h"
#include "platform/HResult.h"
#include "platform/LoadedModuleFunction.h"
#include "platform/UniqueHandle.h"

#include <oleauto.h>

#include <cwchar>

namespace
{

using platform::ComPtr;
using UniqueBstr = platform::UniqueHandle<BSTR, &SysFreeString>;

// The per-user functions have the per-machine ones' shape; the headers' declarations differ between
// mingw-w64 versions (version 12 made the paths const), so the types come from them.
using RegisterFunction = decltype(&RegisterTypeLib);
using UnregisterFunction = decltype(&UnRegisterTypeLib);

// The per-user variant from the already loaded OLE Automation library, when per-user registration is
// on and this version of Windows has it; otherwise the per-machine function.
template <typename Function> Function ChooseFunction(const char* perUserName, Function perMachine)
{
    if (!IsPerUserRegistrationEnabled())
    {
        return perMachine;
    }
    const Function perUser = FindLoadedModuleFunction<Function>(L"OLEAUT32.DLL", perUserName);
    return perUser != nullptr ? perUser : perMachine;
}

struct LoadedLibrary
{
    ComPtr<ITypeLib> library;
    UniqueBstr path;
};

HRESULT LoadOwnTypeLibrary(LoadedLibrary& loaded)
{
    return LoadModuleTypeLibrary(ClassObjectTable().TypeLibraryInstance(), loaded.path.Put(),
                                 loaded.library.Put());
}

// The folder of the library's help file, with its trailing separator, or none.
UniqueBstr HelpDirectory(ITypeLib* library)
{
    UniqueBstr helpFile;
    if (FAILED(library->GetDocumentation(MEMBERID_NIL, nullptr, nullptr, nullptr, helpFile.Put())) ||
        helpFile.Get() == nullptr)
    {
        return {};
    }
    const wchar_t* cut = nullptr;
    for (const wchar_t* c = helpFile.Get(); *c != L'\0'; ++c)
    {
        if (*c == L'\\' || *c == L'/' || *c == L':')
        {
            cut = c + 1;
        }
    }
    if (cut == nullptr)
    {
        return {};
    }
    return UniqueBstr(SysAllocStringLen(helpFile.Get(), static_cast<UINT>(cut - helpFile.Get())));
}

bool IsRegistered(const TLIBATTR& attributes)
{
    UniqueBstr path;
    return QueryPathOfRegTypeLib(attributes.guid, attributes.wMajorVerNum, attributes.wMinorVerNum,
                                 attributes.lcid, path.Put()) != TYPE_E_LIBNOTREGISTERED;
}

} // namespace

HRESULT RegisterModuleTypeLibrary()
{
    LoadedLibrary loaded;
    PROPAGATE_IF_FAILED(LoadOwnTypeLibrary(loaded));
    UniqueBstr helpDirectory = HelpDirectory(loaded.library.Get());
    const RegisterFunction registerLibrary = ChooseFunction("RegisterTypeLibForUser", &RegisterTypeLib);
    RETURN_IF_FAILED(registerLibrary(loaded.library.Get(), loaded.path.Get(), helpDirectory.Get()));
    return S_OK;
}

HRESULT UnregisterModuleTypeLibrary()
{
    LoadedLibrary loaded;
    PROPAGATE_IF_FAILED(LoadOwnTypeLibrary(loaded));
    TLIBATTR* attributes = nullptr;
    RETURN_IF_FAILED(loaded.library->GetLibAttr(&attributes));
    const UnregisterFunction unregisterLibrary =
        ChooseFunction("UnRegisterTypeLibForUser", &UnRegisterTypeLib);
    HRESULT result = unregisterLibrary(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                       attributes->lcid, attributes->syskind);
    // A library that is not registered leaves nothing to remove, whatever the platform answers for it
    // (Wine: E_INVALIDARG), so that unregistering twice succeeds twice.
    if (FAILED(result) && !IsRegistered(*attributes))
    {
        result = S_OK;
    }
    loaded.library->ReleaseTLibAttr(attributes);
    RETURN_IF_FAILED(result);
    return S_OK;
}
