#pragma once

#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include "platform/UniqueHandle.h"

#include <string>

// Voltwise.dll loaded from beside the test program, with its exports. Each instance is a fresh load
// when no other holds the DLL.
class VoltwiseDll
{
  public:
    using GetClassObjectFunction = decltype(&DllGetClassObject);
    using CanUnloadNowFunction = decltype(&DllCanUnloadNow);
    using RegistrationFunction = decltype(&DllRegisterServer);
    // No Windows header declares DllInstall.
    using InstallFunction = HRESULT(STDAPICALLTYPE*)(BOOL, const wchar_t*);

    VoltwiseDll() : m_module(LoadLibraryW(Path().c_str())) {}

    static std::wstring Path()
    {
        wchar_t file[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, file, MAX_PATH);
        std::wstring path(file, length);
        return path.substr(0, path.find_last_of(L'\\') + 1) + L"Voltwise.dll";
    }

    HMODULE Module() const { return m_module.Get(); }
    bool Loaded() const { return static_cast<bool>(m_module); }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const
    {
        return Export<GetClassObjectFunction>("DllGetClassObject")(clsid, iid, out);
    }
    HRESULT CanUnloadNow() const { return Export<CanUnloadNowFunction>("DllCanUnloadNow")(); }
    HRESULT RegisterServer() const { return Export<RegistrationFunction>("DllRegisterServer")(); }
    HRESULT UnregisterServer() const { return Export<RegistrationFunction>("DllUnregisterServer")(); }
    HRESULT Install(BOOL install, const wchar_t* commandLine) const
    {
        return Export<InstallFunction>("DllInstall")(install, commandLine);
    }

  private:
    template <typename Function> Function Export(const char* name) const
    {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(m_module.Get(), name)));
    }

    platform::UniqueModule m_module;
};
