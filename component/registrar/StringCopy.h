#pragma once

#include <windows.h>

#include <memory>

// A heap copy of a zero-terminated string, or null when it cannot be allocated.
std::unique_ptr<wchar_t[]> CopyString(const wchar_t* text);
