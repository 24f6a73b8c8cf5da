#pragma once

#include <windows.h>

#include <string>

namespace test_support
{

// Whether the key can be opened for reading, bypassing every wrapper under test.
bool KeyExists(HKEY root, const std::wstring& path);

} // namespace test_support
