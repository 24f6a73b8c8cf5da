#pragma once

#include <windows.h>

#include <string>

namespace test_support
{

// Whether the key can be opened for reading, bypassing every wrapper under test; view: a KEY_WOW64_ flag, or
// 0 for the caller's own view.
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);

} // namespace test_support
