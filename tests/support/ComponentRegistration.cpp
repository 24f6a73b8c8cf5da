#include "tests/support/ComponentRegistration.h"

#include <oleauto.h>

#include <string_view>

#include "platform/ComPtr.h"
#include "platform/UniqueHandle.h"
#include "tests/support/RegistryKeys.h"

namespace test_support
{
namespace
{

// Stands for the registered file's own path in the table below.
const wchar_t* const kModulePath = L"<module path>";

struct Entry
{
    const wchar_t* key;   // below the classes root
    const wchar_t* value; // nullptr: the default value
    const wchar_t* data;  // nullptr: the key must exist, with no value checked
};

const Entry kEntries[] = {
    {L"AppID\\{25AB294C-2C96-4EF9-978A-CFA9014714B0}", nullptr, L"Voltwise"},
    {L"AppID\\Voltwise.DLL", L"AppID", kComponentAppId},
    {L"Voltwise.BatteryRemainingTime.1", nullptr, L"BatteryRemainingTime Class"},
    {L"Voltwise.BatteryRemainingTime.1\\CLSID", nullptr, kComponentClassId},
    {L"Voltwise.BatteryRemainingTime", nullptr, L"BatteryRemainingTime Class"},
    {L"Voltwise.BatteryRemainingTime\\CLSID", nullptr, kComponentClassId},
    {L"Voltwise.BatteryRemainingTime\\CurVer", nullptr, kComponentVersionedProgId},
    {kComponentClassKey, nullptr, L"BatteryRemainingTime Class"},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\ProgID", nullptr, kComponentVersionedProgId},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\VersionIndependentProgID", nullptr, kComponentProgId},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\Programmable", nullptr, nullptr},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32", nullptr, kModulePath},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\TypeLib", nullptr,
     L"{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}"},
};

} // namespace

const std::vector<const wchar_t*> kComponentOwnedKeys = {
    L"AppID\\{25AB294C-2C96-4EF9-978A-CFA9014714B0}",
    L"AppID\\Voltwise.DLL",
    L"Voltwise.BatteryRemainingTime.1",
    L"Voltwise.BatteryRemainingTime",
    kComponentClassKey,
};

std::wstring ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* value, REGSAM view)
{
    platform::UniqueRegKey key;
    wchar_t data[1024];
    DWORD size = sizeof data;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.Put()) != ERROR_SUCCESS ||
        RegGetValueW(key.Get(), nullptr, value, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    {
        return L"<absent>";
    }
    return data;
}

std::vector<std::wstring> MissingRegistrationEntries(HKEY root, const std::wstring& classesPath,
                                                     const std::wstring& modulePath, REGSAM classView)
{
    std::vector<std::wstring> missing;
    for (const Entry& entry : kEntries)
    {
        const std::wstring path = classesPath + entry.key;
        const bool classKey = std::wstring_view(entry.key).starts_with(L"CLSID\\");
        const REGSAM view = classView == 0 || classKey ? classView : KEY_WOW64_64KEY;
        if (!KeyExists(root, path, view))
        {
            missing.push_back(L"no key " + path);
            continue;
        }
        if (entry.data == nullptr)
        {
            continue;
        }
        const std::wstring expected = entry.data == kModulePath ? modulePath : entry.data;
        const std::wstring actual = ReadRegistryText(root, path, entry.value, view);
        if (actual != expected)
        {
            missing.push_back(path + L" value " + (entry.value == nullptr ? L"(default)" : entry.value) +
                              L" is " + actual + L", not " + expected);
        }
    }
    return missing;
}

bool ComponentTypeLibraryRegistered()
{
    platform::ComPtr<ITypeLib> library;
    return SUCCEEDED(LoadRegTypeLib(kComponentLibraryId, 1, 0, 0, library.Put()));
}

} // namespace test_support
