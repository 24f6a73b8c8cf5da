#pragma once

#include <unknwn.h>

#include <utility>

namespace platform
{

// Holds one reference on a COM interface and releases it when it goes out of scope.
template <typename Interface> class ComPtr
{
  public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : m_pointer(other.m_pointer) { AddRefHeld(); }
    ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Takes a new reference on pointer.
    static ComPtr From(Interface* pointer)
    {
        ComPtr result;
        result.m_pointer = pointer;
        result.AddRefHeld();
        return result;
    }

    Interface* Get() const { return m_pointer; }
    Interface* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // For out-parameters that hand out a reference; releases what was held before.
    Interface** Put()
    {
        Reset();
        return &m_pointer;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    Interface* Detach() { return std::exchange(m_pointer, nullptr); }

    void Reset()
    {
        if (Interface* pointer = std::exchange(m_pointer, nullptr))
        {
            pointer->Release();
        }
    }

    template <typename Other> HRESULT As(ComPtr<Other>& other) const
    {
        return m_pointer->QueryInterface(__uuidof(Other), other.PutVoid());
    }

  private:
    void AddRefHeld()
    {
        if (m_pointer)
        {
            m_pointer->AddRef();
        }
    }

    Interface* m_pointer = nullptr;
};

} // namespace platform
