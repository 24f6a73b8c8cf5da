#pragma once

#include <windows.h>

#include <memory>

// A heap copy of a zero-terminated string, or null when it cannot be allocated.
std::unique_ptr<wchar_t[]> CopyString(const wchar_t* text);

// parent\name, or name alone when parent is empty; null when it cannot be allocated.
std::unique_ptr<wchar_t[]> JoinKeyPath(const wchar_t* parent, const wchar_t* name);
