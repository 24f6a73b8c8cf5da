#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Installing, repairing and removing Tellmark with msiexec, and what an installation leaves on the system.
namespace installer_tests
{

// How a package is installed: per machine, or per user the dual-purpose way.
struct InstallScope
{
    const char* name;
    const wchar_t* properties; // added to every msiexec command line
    HKEY runRoot;              // where the Run value goes
    HKEY classesRoot;          // where the registration goes, below classesPath
    const wchar_t* classesPath;
    bool perUser;
    const wchar_t* folder; // nullptr, or the folder chosen with INSTALLDIR, with a trailing backslash
};

extern const InstallScope kPerMachine;
extern const InstallScope kPerUser;
// Per machine into a folder of the administrator's choice, whose name has spaces, an apostrophe and a letter
// outside ASCII.
extern const InstallScope kChosenFolder;

// msiexec's exit code for a silent install, uninstall or repair of the package (a Windows path).
DWORD Install(const std::wstring& package, const InstallScope& scope);
DWORD Uninstall(const std::wstring& package, const InstallScope& scope);
DWORD Repair(const std::wstring& package, const InstallScope& scope);
// Removes the product's only feature, leaving the rest of the command line as for an installation.
DWORD RemoveFeature(const std::wstring& package, const InstallScope& scope);
// What Add/Remove Programs runs: msiexec /x with the installed product's code and no properties.
DWORD UninstallByProductCode();

// The folder the scope installs into, with a trailing backslash, and its parent, the manufacturer's folder;
// with x86, those of the DLL for 32-bit hosts. A chosen folder is both.
std::wstring ProductFolder(const InstallScope& scope, bool x86 = false);
std::wstring ManufacturerFolder(const InstallScope& scope, bool x86 = false);
// Per user, the folder of its own that holds the manufacturer's folder for 32-bit files.
std::wstring PerUserX86Folder();

// The Run value's data under the root, or "<absent>".
std::wstring RunValue(HKEY root);

// Runs the Run values as a new logon session does.
DWORD StartNewSession();

// The image paths of the running TellmarkSvc.exe processes.
std::vector<std::wstring> RunningServices();

// The version of each installed product that carries Tellmark's upgrade code.
std::vector<std::wstring> InstalledVersions();

// The names of the files in a folder, sorted; empty when the folder does not exist.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// Whether the two files hold the same bytes.
bool SameContent(const std::wstring& first, const std::wstring& second);

} // namespace installer_tests
