#include "tests/installer/ProductInstallation.h"

#include <msi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "platform/UniqueHandle.h"
#include "tests/support/Process.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace installer_tests
{
namespace
{

using test_support::Quoted;
using test_support::RunToExit;

constexpr const wchar_t* kUpgradeCode = L"{6B65AE10-D14E-4527-B57F-A4D24EBA57FE}";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const wchar_t* kRunValue = L"Tellmark";
constexpr const wchar_t* kServiceImage = L"TellmarkSvc.exe";
// msiexec needs a few seconds; a loaded machine may need many more.
constexpr DWORD kMsiexecTimeoutMs = 120000;

std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path)))
    {
        folder = path;
    }
    CoTaskMemFree(path);
    return folder;
}

DWORD Msiexec(const std::wstring& arguments, const InstallScope& scope)
{
    return RunToExit(L"msiexec.exe " + arguments + L" /qn" + scope.properties, kMsiexecTimeoutMs);
}

} // namespace

const InstallScope kPerMachine = {"PerMachine", L"", HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, L"", false, {}};
const InstallScope kPerUser = {"PerUser",
                               L" ALLUSERS=2 MSIINSTALLPERUSER=1",
                               HKEY_CURRENT_USER,
                               HKEY_CURRENT_USER,
                               L"Software\\Classes\\",
                               true,
                               nullptr};
const InstallScope kChosenFolder = {"ChosenFolder",
                                    L" INSTALLDIR=\"C:\\Program Files\\J\u00fcrgen's Tools\"",
                                    HKEY_LOCAL_MACHINE,
                                    HKEY_CLASSES_ROOT,
                                    L"",
                                    false,
                                    L"C:\\Program Files\\J\u00fcrgen's Tools\\"};

DWORD Install(const std::wstring& package, const InstallScope& scope)
{
    return Msiexec(L"/i " + Quoted(package), scope);
}

DWORD Uninstall(const std::wstring& package, const InstallScope& scope)
{
    return Msiexec(L"/x " + Quoted(package), scope);
}

DWORD Repair(const std::wstring& package, const InstallScope& scope)
{
    // What msiexec /f does on Windows. Wine's msiexec /f takes a package for a product code and reports an
    // unknown product, and with a product code it repairs nothing ("not implemented").
    return Msiexec(L"/i " + Quoted(package) + L" REINSTALL=ALL REINSTALLMODE=pecms", scope);
}

DWORD RemoveFeature(const std::wstring& package, const InstallScope& scope)
{
    return Msiexec(L"/i " + Quoted(package) + L" REMOVE=Tellmark", scope);
}

DWORD UninstallByProductCode()
{
    wchar_t product[39];
    if (MsiEnumRelatedProductsW(kUpgradeCode, 0, 0, product) != ERROR_SUCCESS)
    {
        return ERROR_UNKNOWN_PRODUCT;
    }
    return RunToExit(L"msiexec.exe /x " + std::wstring(product) + L" /qn", kMsiexecTimeoutMs);
}

std::wstring PerUserX86Folder()
{
    return KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\x86\\";
}

std::wstring ManufacturerFolder(const InstallScope& scope, bool x86)
{
    if (scope.folder != nullptr && !x86)
    {
        return scope.folder;
    }
    // Per user the package uses the user's Program Files folder, as Windows does for dual-purpose packages,
    // and a folder of its own below it for the 32-bit files.
    if (scope.perUser)
    {
        return (x86 ? PerUserX86Folder() : KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\") +
               L"Quorvel\\";
    }
    return KnownFolder(x86 ? FOLDERID_ProgramFilesX86 : FOLDERID_ProgramFiles) + L"\\Quorvel\\";
}

std::wstring ProductFolder(const InstallScope& scope, bool x86)
{
    if (scope.folder != nullptr && !x86)
    {
        return scope.folder;
    }
    return ManufacturerFolder(scope, x86) + L"Tellmark\\";
}

std::wstring RunValue(HKEY root)
{
    wchar_t data[MAX_PATH + 3];
    DWORD size = sizeof data;
    if (RegGetValueW(root, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    {
        return L"<absent>";
    }
    return data;
}

DWORD StartNewSession()
{
    // Without options wineboot runs what a logon runs, the Run values among it.
    return RunToExit(L"wineboot.exe");
}

std::vector<std::wstring> RunningServices()
{
    std::vector<std::wstring> images;
    const platform::UniqueHandleObject snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL found = Process32FirstW(snapshot.Get(), &entry); found;
         found = Process32NextW(snapshot.Get(), &entry))
    {
        if (_wcsicmp(entry.szExeFile, kServiceImage) != 0)
        {
            continue;
        }
        const platform::UniqueHandleObject process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t image[MAX_PATH];
        DWORD length = MAX_PATH;
        if (process && QueryFullProcessImageNameW(process.Get(), 0, image, &length))
        {
            images.emplace_back(image, length);
        }
        else
        {
            images.emplace_back(entry.szExeFile);
        }
    }
    return images;
}

std::vector<std::wstring> InstalledVersions()
{
    std::vector<std::wstring> versions;
    wchar_t product[39];
    for (DWORD index = 0; MsiEnumRelatedProductsW(kUpgradeCode, 0, index, product) == ERROR_SUCCESS; ++index)
    {
        wchar_t version[64];
        DWORD length = 64;
        if (MsiGetProductInfoW(product, INSTALLPROPERTY_VERSIONSTRING, version, &length) != ERROR_SUCCESS)
        {
            version[0] = L'\0';
        }
        versions.emplace_back(version);
    }
    return versions;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    {
        files.push_back(entry.path().filename().wstring());
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool SameContent(const std::wstring& first, const std::wstring& second)
{
    std::ifstream a(std::filesystem::path(first), std::ios::binary);
    std::ifstream b(std::filesystem::path(second), std::ios::binary);
    return a && b &&
           std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>());
}

} // namespace installer_tests
