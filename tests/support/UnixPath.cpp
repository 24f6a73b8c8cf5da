#include "tests/support/UnixPath.h"

#include <cstdlib>

namespace test_support
{
namespace
{

std::wstring WindowsPathOf(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c != '\0'; ++c)
    {
        path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    return path;
}

} // namespace

std::wstring FileFromEnvironment(const char* variable)
{
    const char* value = std::getenv(variable);
    return value == nullptr ? std::wstring() : WindowsPathOf(value);
}

} // namespace test_support
