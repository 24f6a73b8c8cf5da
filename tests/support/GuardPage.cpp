#include "tests/support/GuardPage.h"

#include <cstdlib>

namespace test_support
{
namespace
{

size_t PageSize()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

} // namespace

GuardPage::GuardPage(size_t bytes)
{
    const size_t page = PageSize();
    const size_t room = (bytes + page - 1) / page * page;
    m_base = static_cast<BYTE*>(VirtualAlloc(nullptr, room + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous = 0;
    if (m_base == nullptr || !VirtualProtect(m_base + room, page, PAGE_NOACCESS, &previous))
    {
        std::abort(); // a test without its guard would prove nothing
    }
    m_guard = m_base + room;
}

GuardPage::~GuardPage()
{
    VirtualFree(m_base, 0, MEM_RELEASE);
}

} // namespace test_support
