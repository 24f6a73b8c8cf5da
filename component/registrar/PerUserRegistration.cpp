#include "component/registrar/PerUserRegistration.h"

#include <atomic>

namespace
{

std::atomic<bool> g_perUserRegistration{false};

} // namespace

bool IsPerUserRegistrationEnabled()
{
    return g_perUserRegistration.load(std::memory_order_relaxed);
}

void EnablePerUserRegistration()
{
    g_perUserRegistration.store(true, std::memory_order_relaxed);
}
