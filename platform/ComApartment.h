#pragma once

#include <windows.h>
#include <objbase.h>

namespace platform
{

// Single-threaded COM apartment for the scope's lifetime. Uninitialises only if the initialisation
// succeeded, since an unbalanced CoUninitialize would tear down someone else's apartment.
class ComApartmentScope
{
  public:
    ComApartmentScope() : m_initialised(SUCCEEDED(CoInitialize(nullptr))) {}
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
    bool m_initialised;
};

} // namespace platform
