#include "tests/installer/RegistrySnapshot.h"

#include "tests/support/RegistryDump.h"

#include <algorithm>
#include <iterator>

namespace installer_tests
{

RegistrySnapshot SnapshotRegistry(const std::vector<RegistryArea>& areas)
{
    RegistrySnapshot snapshot;
    for (const RegistryArea& area : areas)
    {
        const std::vector<std::wstring> lines =
            test_support::DumpLines(area.root, area.path, std::wstring(area.rootName) + L"\\" + area.path);
        snapshot.insert(lines.begin(), lines.end());
    }
    return snapshot;
}

std::vector<std::wstring> LinesOnlyIn(const RegistrySnapshot& snapshot, const RegistrySnapshot& other)
{
    std::vector<std::wstring> lines;
    std::set_difference(snapshot.begin(), snapshot.end(), other.begin(), other.end(),
                        std::back_inserter(lines));
    return lines;
}

} // namespace installer_tests
