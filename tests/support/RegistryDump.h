#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace test_support
{

// Every key and value below root\path, one per line, sorted, with the data in hexadecimal; "(absent)"
// when the key cannot be opened. Paths in the lines start with path.
std::wstring DumpTree(HKEY root, const std::wstring& path);
// DumpTree without the subtree at skippedPath (a path below root, as the lines spell it).
std::wstring DumpTreeExcept(HKEY root, const std::wstring& path, const std::wstring& skippedPath);
// The lines of DumpTree, sorted, with shownPath in place of path at their start; none when the key cannot be
// opened.
std::vector<std::wstring> DumpLines(HKEY root, const std::wstring& path, const std::wstring& shownPath);

} // namespace test_support
