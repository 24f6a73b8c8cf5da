#pragma once

#include <windows.h>

#include <cstddef>

namespace test_support
{

// Memory whose end touches a page that may not be accessed: a buffer placed flush against it faults at the
// first byte written past its end, where an overrun of an ordinary buffer may go unnoticed.
class GuardPage
{
  public:
    // Room for at least bytes before the guard.
    explicit GuardPage(size_t bytes);
    ~GuardPage();
    GuardPage(const GuardPage&) = delete;
    GuardPage& operator=(const GuardPage&) = delete;

    // The start of a block of bytes that ends where the guard begins.
    void* Flush(size_t bytes) const { return m_guard - bytes; }
    template <typename T> T& Flush() const { return *static_cast<T*>(Flush(sizeof(T))); }

  private:
    BYTE* m_base = nullptr;
    BYTE* m_guard = nullptr;
};

// While one lives, every new (std::nothrow) of the program gets memory flush against a guard page of its own
// (GuardedAllocations.cpp replaces the program's nothrow allocation).
class GuardedAllocations
{
  public:
    GuardedAllocations();
    ~GuardedAllocations();
    GuardedAllocations(const GuardedAllocations&) = delete;
    GuardedAllocations& operator=(const GuardedAllocations&) = delete;
};

} // namespace test_support
