#pragma once

#include <windows.h>

#include <utility>

namespace platform
{

// Sole owner of a Windows handle: closes it with Close when it goes out of scope.
template <typename Handle, auto Close, Handle Invalid = Handle{}> class UniqueHandle
{
  public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Invalid; }

    // For out-parameters of the APIs that open the handle; closes what was held before.
    Handle* Put()
    {
        Reset();
        return &m_handle;
    }

    Handle Release() { return std::exchange(m_handle, Invalid); }

    // Keeps the thread's last error: a caller may read the error of the call that gave it the new handle.
    void Reset(Handle handle = Invalid)
    {
        if (m_handle != Invalid)
        {
            const DWORD lastError = GetLastError();
            Close(m_handle);
            SetLastError(lastError);
        }
        m_handle = handle;
    }

  private:
    Handle m_handle = Invalid;
};

using UniqueRegKey = UniqueHandle<HKEY, &RegCloseKey>;
using UniqueHandleObject = UniqueHandle<HANDLE, &CloseHandle>; // events, mutexes, processes, threads
using UniqueModule = UniqueHandle<HMODULE, &FreeLibrary>;

} // namespace platform
