#pragma once

#include <windows.h>

#include "component/server/CriticalSectionLock.h"

// The DLL's instance record: its module handle, with which registration asks for the file name.
class CModuleInstance
{
  public:
    CModuleInstance(HINSTANCE instance, bool& startupFailure);
    CModuleInstance(const CModuleInstance&) = delete;
    CModuleInstance& operator=(const CModuleInstance&) = delete;

    HINSTANCE Instance() const { return m_instance; }

  private:
    HINSTANCE m_instance;
    CriticalSectionLock m_resourceLock; // initialised at load and deleted at unload; no operation takes it
};
