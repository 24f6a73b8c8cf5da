#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace installer_tests
{

// A registry subtree: root, the root's short name for the snapshot's lines, and the path below it.
struct RegistryArea
{
    HKEY root;
    const wchar_t* rootName;
    const wchar_t* path;
};

// Every key and every value below the areas, one line each, as test_support::DumpLines writes them:
// "[HKLM\path]" for a key and "HKLM\path :name=type:data" for a value. An area that does not exist
// contributes nothing.
using RegistrySnapshot = std::set<std::wstring>;
RegistrySnapshot SnapshotRegistry(const std::vector<RegistryArea>& areas);

// The lines of a snapshot that another lacks.
std::vector<std::wstring> LinesOnlyIn(const RegistrySnapshot& snapshot, const RegistrySnapshot& other);

} // namespace installer_tests
