#pragma once

#include <windows.h>
#include <objbase.h>

#include "platform/Diagnostics.h"

namespace platform
{

// Single-threaded COM apartment for the scope's lifetime. Uninitialises only if the initialisation
// succeeded, since an unbalanced CoUninitialize would tear down someone else's apartment.
class ComApartmentScope
{
  public:
    ComApartmentScope()
    {
        const HRESULT result = CoInitialize(nullptr);
        m_initialised = SUCCEEDED(result);
        if (!m_initialised)
        {
            ReportFailure(PLATFORM_FAILURE_SITE, result, L"CoInitialize");
        }
    }
    ComApartmentScope(const ComApartmentScope&) = delete;
    ComApartmentScope& operator=(const ComApartmentScope&) = delete;
    ~ComApartmentScope()
    {
        if (m_initialised)
        {
            CoUninitialize();
        }
    }

  private:
    bool m_initialised = false;
};

} // namespace platform
