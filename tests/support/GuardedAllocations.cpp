// Replaces the program's nothrow allocation (the only kind the deliverables' code uses), so that a
// GuardedAllocations scope can place each block flush against a guard page. Linked only into programs that
// use the scope; the plain forms keep the runtime's malloc-based allocation.
#include "tests/support/GuardPage.h"

#include <cstdlib>
#include <new>

namespace test_support
{
namespace
{

struct GuardedBlock
{
    void* memory;
    GuardPage* page;
};

constexpr size_t kMaxGuardedBlocks = 4096;
GuardedBlock g_blocks[kMaxGuardedBlocks];
size_t g_used = 0; // blocks beyond it have never held memory
bool g_guarding = false;

void* Allocate(std::size_t size)
{
    if (!g_guarding)
    {
        return std::malloc(size != 0 ? size : 1);
    }
    for (size_t index = 0; index < kMaxGuardedBlocks; ++index)
    {
        GuardedBlock& block = g_blocks[index];
        if (block.memory == nullptr)
        {
            block.page = new GuardPage(size); // the plain new: from the ordinary heap
            block.memory = block.page->Flush(size);
            g_used = index + 1 > g_used ? index + 1 : g_used;
            return block.memory;
        }
    }
    std::abort();
}

void Free(void* memory)
{
    for (size_t index = 0; memory != nullptr && index < g_used; ++index)
    {
        GuardedBlock& block = g_blocks[index];
        if (block.memory == memory)
        {
            delete block.page;
            block = {};
            return;
        }
    }
    std::free(memory);
}

} // namespace

GuardedAllocations::GuardedAllocations()
{
    g_guarding = true;
}

GuardedAllocations::~GuardedAllocations()
{
    g_guarding = false;
}

} // namespace test_support

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return test_support::Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return test_support::Allocate(size);
}

void operator delete(void* memory) noexcept
{
    test_support::Free(memory);
}

void operator delete[](void* memory) noexcept
{
    test_support::Free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    test_support::Free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept
{
    test_support::Free(memory);
}
