#pragma once

#include <windows.h>
#include <oleauto.h>

#include "component/automation/VoltwiseIds.h"
#include "platform/ComPtr.h"
#include "tests/component/support/Bitness.h"

#include <string>

// Registers the type library out of the given file for the scope's lifetime (per machine, as the
// component's own registration does), and unregisters it at the end.
class TypeLibraryRegistration
{
  public:
    explicit TypeLibraryRegistration(const std::wstring& path)
    {
        platform::ComPtr<ITypeLib> library;
        m_result = LoadTypeLib(path.c_str(), library.Put());
        if (SUCCEEDED(m_result))
        {
            m_result = RegisterTypeLib(library.Get(), const_cast<wchar_t*>(path.c_str()), nullptr);
        }
    }
    TypeLibraryRegistration(const TypeLibraryRegistration&) = delete;
    TypeLibraryRegistration& operator=(const TypeLibraryRegistration&) = delete;
    ~TypeLibraryRegistration()
    {
        if (SUCCEEDED(m_result))
        {
            Unregister();
        }
    }

    HRESULT Result() const { return m_result; }

    static HRESULT Unregister()
    {
        return UnRegisterTypeLib(LIBID_VoltwiseLib, kVoltwiseLibMajorVersion, kVoltwiseLibMinorVersion, 0,
                                 kDllSysKind);
    }

  private:
    HRESULT m_result = E_FAIL;
};
