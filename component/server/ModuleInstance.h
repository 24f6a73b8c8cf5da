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
    // No operation takes it; a failure to initialise it refuses the load, as for the frame's other locks.
    CriticalSectionLock m_resourceLock;
};
