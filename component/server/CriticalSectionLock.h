#pragma once

#include <windows.h>

#include "component/system/LockInitialization.h"
#include "platform/HResult.h"

// A critical section owned together with whether it was initialised: Initialize follows the component's lock
// initialisation rule (a failure is E_OUTOFMEMORY), and destruction deletes the section only if it was.
class CriticalSectionLock
{
  public:
    CriticalSectionLock() = default;
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;
    ~CriticalSectionLock()
    {
        if (m_initialized)
        {
            m_initialized = false;
            DeleteCriticalSection(&m_section);
        }
    }

    HRESULT Initialize()
    {
        RETURN_IF_FAILED(InitializeLock(m_section));
        m_initialized = true;
        return S_OK;
    }

    // The lock of a process-wide record, initialised at load: a failure sets startupFailure, which makes the
    // DLL refuse the load.
    void InitializeForRecord(bool& startupFailure)
    {
        if (FAILED(Initialize()))
        {
            startupFailure = true;
        }
    }

    bool Initialized() const { return m_initialized; }

    // Holds the lock for the guard's scope.
    class Guard
    {
      public:
        explicit Guard(CriticalSectionLock& lock) : m_lock(lock) { EnterCriticalSection(&m_lock.m_section); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        ~Guard() { LeaveCriticalSection(&m_lock.m_section); }

      private:
        CriticalSectionLock& m_lock;
    };

  private:
    CRITICAL_SECTION m_section{};
    bool m_initialized = false;
};
