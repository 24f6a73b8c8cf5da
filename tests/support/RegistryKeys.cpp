#include "tests/support/RegistryKeys.h"

#include "platform/UniqueHandle.h"

namespace test_support
{

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    platform::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

} // namespace test_support
