#pragma once

#include <windows.h>

// Runs registration with the system default thread locale, so scripts convert with the system's ANSI
// code page whatever the caller set, and gives the caller's locale back at the end of the scope.
class ThreadLocaleScope
{
  public:
    ThreadLocaleScope() : m_saved(GetThreadLocale()) { SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;
    ~ThreadLocaleScope() { SetThreadLocale(m_saved); }

  private:
    LCID m_saved;
};
