#pragma once

#include <atomic>

// Pointers that readers take without a lock. The writer stores each one in a single release store
// after the object it points to is complete, so a reader that sees the pointer sees the object whole.
template <typename T> T* LoadPublished(T* const& field)
{
    return std::atomic_ref<T*>(const_cast<T*&>(field)).load(std::memory_order_acquire);
}

template <typename T> void Publish(T*& field, T* value)
{
    std::atomic_ref<T*>(field).store(value, std::memory_order_release);
}
