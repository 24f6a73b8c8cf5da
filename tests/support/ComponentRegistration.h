#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The registry entries that the component's registration writes, as the tests that register it with
// regsvr32 and the tests that install it with the package expect them.
namespace test_support
{

constexpr const wchar_t* kComponentAppId = L"{25AB294C-2C96-4EF9-978A-CFA9014714B0}";
constexpr const wchar_t* kComponentClassId = L"{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}";
constexpr const wchar_t* kComponentClassKey = L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}";
constexpr const wchar_t* kComponentProgId = L"Voltwise.BatteryRemainingTime";
constexpr const wchar_t* kComponentVersionedProgId = L"Voltwise.BatteryRemainingTime.1";
constexpr GUID kComponentLibraryId = {
    0xA540F5D3, 0xA097, 0x4DD8, {0xA6, 0x9E, 0xB4, 0xF4, 0xEF, 0x2F, 0xDC, 0x82}};

// The keys the registration creates and unregistration removes, below a classes root, children before
// parents.
extern const std::vector<const wchar_t*> kComponentOwnedKeys;

// The text of a REG_SZ value as the view (a KEY_WOW64_ flag, or 0 for the caller's own) shows it, or
// "<absent>".
std::wstring ReadRegistryText(HKEY root, const std::wstring& path, const wchar_t* value, REGSAM view = 0);

// Each entry of the registration below root\classesPath (a classes root with a trailing backslash, or empty
// for root itself) that is missing or differs, one description each, the module path expected to name
// modulePath. Empty when the registration is complete. classView: the view in which to read the class keys,
// which have one per bitness; the ProgIDs and application entries, which the views share, are then read in
// the 64-bit view (Wine 8 answers a 32-bit view's request for them with an absent key below Wow6432Node).
std::vector<std::wstring> MissingRegistrationEntries(HKEY root, const std::wstring& classesPath,
                                                     const std::wstring& modulePath, REGSAM classView = 0);

// Whether the type library can be loaded through its registration.
bool ComponentTypeLibraryRegistered();

} // namespace test_support
