#pragma once

#include <windows.h>

// What the component's registration writes below a classes root (HKEY_CLASSES_ROOT per machine,
// HKEY_CURRENT_USER\Software\Classes per user), for the tests that check it.
namespace test_support
{

inline const wchar_t* const AppId = L"{25AB294C-2C96-4EF9-978A-CFA9014714B0}";
inline const wchar_t* const ClassId = L"{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}";
inline const wchar_t* const ClassKey = L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}";
inline const wchar_t* const ProgId = L"Voltwise.BatteryRemainingTime";
inline const wchar_t* const VersionedProgId = L"Voltwise.BatteryRemainingTime.1";

// Stands for the registered file's own path in the table below.
inline const wchar_t* const ModulePath = L"<module path>";

struct Entry
{
    const wchar_t* key;   // below the classes root
    const wchar_t* value; // nullptr: the default value
    const wchar_t* data;  // nullptr: the key must exist, with no value checked
};

inline const Entry Entries[] = {
    {L"AppID\\{25AB294C-2C96-4EF9-978A-CFA9014714B0}", nullptr, L"Voltwise"},
    {L"AppID\\Voltwise.DLL", L"AppID", AppId},
    {L"Voltwise.BatteryRemainingTime.1", nullptr, L"BatteryRemainingTime Class"},
    {L"Voltwise.BatteryRemainingTime.1\\CLSID", nullptr, ClassId},
    {L"Voltwise.BatteryRemainingTime", nullptr, L"BatteryRemainingTime Class"},
    {L"Voltwise.BatteryRemainingTime\\CLSID", nullptr, ClassId},
    {L"Voltwise.BatteryRemainingTime\\CurVer", nullptr, VersionedProgId},
    {ClassKey, nullptr, L"BatteryRemainingTime Class"},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\ProgID", nullptr, VersionedProgId},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\VersionIndependentProgID", nullptr, ProgId},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\Programmable", nullptr, nullptr},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32", nullptr, ModulePath},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\InprocServer32", L"ThreadingModel", L"Apartment"},
    {L"CLSID\\{A88E986F-2DD5-4E8F-8A8B-55FBA001D8E9}\\TypeLib", nullptr,
     L"{A540F5D3-A097-4DD8-A69E-B4F4EF2FDC82}"},
};

// The keys the scripts create and unregistration removes, children before parents.
inline const wchar_t* const OwnedKeys[] = {
    L"AppID\\{25AB294C-2C96-4EF9-978A-CFA9014714B0}",
    L"AppID\\Voltwise.DLL",
    L"Voltwise.BatteryRemainingTime.1",
    L"Voltwise.BatteryRemainingTime",
    ClassKey,
};

} // namespace test_support
