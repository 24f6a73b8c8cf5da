#pragma once

#include <windows.h>

// Holds a critical section for the guard's scope.
class CriticalSectionGuard
{
  public:
    explicit CriticalSectionGuard(CRITICAL_SECTION& lock) : m_lock(lock) { EnterCriticalSection(&m_lock); }
    CriticalSectionGuard(const CriticalSectionGuard&) = delete;
    CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;
    ~CriticalSectionGuard() { LeaveCriticalSection(&m_lock); }

  private:
    CRITICAL_SECTION& m_lock;
};
