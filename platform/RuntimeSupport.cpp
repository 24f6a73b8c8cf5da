#include <windows.h>

#include <cstdlib>
#include <new>

// The hooks of the C++ runtime that the deliverables need, written so that the runtime's exception
// machinery stays out of them. The code allocates only with new (std::nothrow) and checks for null; the
// runtime's own operators would throw, and linking them brings in the unwinder, the verbose terminate
// handler with its demangler, and an emergency exception pool that a DLL leaks at every unload.

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size != 0 ? size : 1);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    std::free(memory);
}
