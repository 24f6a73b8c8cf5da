#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <sddl.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include "platform/Diagnostics.h"
#include "platform/HResult.h"
#include "platform/UniqueHandle.h"
#include "service/RegistrySchema.h"

#include <cwchar>

// The package's custom action that runs as the system (deferred, not impersonating) before an uninstall, an
// upgrade or a repair replaces or removes any file. Whoever installs (a user, an administrator, a software
// distribution as the system), every user's running TellmarkSvc.exe of this installation holds its file: the
// action asks each one to stop the documented way, in its user's own registry, and ends those that have not
// stopped in time. A user's registry is the user's to shape: the action follows no link there, writes only
// the stop request and deletes nothing (a service clears its own area when it stops on request, and an ended
// one at its next start). Users whose running copy is another installation's are not touched.
//
// CustomActionData: the installed TellmarkSvc.exe.

namespace
{

namespace schema = service::schema;

// The service stops within one tick of about 100 ms; the limit leaves room for a heavily loaded machine. A
// service that has not stopped by then (its user's registry refuses the request, say) is ended: it holds no
// state worth saving, and a file in use would need a restart.
constexpr DWORD kStopTimeoutMs = 10000;
constexpr DWORD kPollIntervalMs = 100;
constexpr DWORD kEndTimeoutMs = 5000;
// The exit code of a service the action ended: it did not stop in time.
constexpr UINT kEndedExitCode = ERROR_TIMEOUT;
// What a key that is a registry link holds: its target.
constexpr const wchar_t* kLinkTargetValue = L"SymbolicLinkValue";
using SidBuffer = BYTE[SECURITY_MAX_SID_SIZE];

void ReportWin32(const char* file, int line, const char* function, DWORD error, const wchar_t* what)
{
    platform::ReportFailure(file, line, function, platform::HResultFromWin32(static_cast<long>(error)), what);
}

// Calls visit(process) for each running process whose image is the file, with a handle that may wait for it,
// end it and read its user.
template <typename Visit> void ForEachInstance(const wchar_t* image, Visit visit)
{
    const HANDLE rawSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (rawSnapshot == INVALID_HANDLE_VALUE)
    {
        ReportWin32(PLATFORM_FAILURE_SITE, GetLastError(), image);
        return;
    }
    const platform::UniqueHandleObject snapshot(rawSnapshot);
    const wchar_t* fileName = PathFindFileNameW(image);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL found = Process32FirstW(snapshot.Get(), &entry); found;
         found = Process32NextW(snapshot.Get(), &entry))
    {
        if (CompareStringOrdinal(entry.szExeFile, -1, fileName, -1, TRUE) != CSTR_EQUAL)
        {
            continue;
        }
        const platform::UniqueHandleObject process(
            OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                        entry.th32ProcessID));
        wchar_t running[MAX_PATH * 2];
        DWORD length = ARRAYSIZE(running);
        if (!process || !QueryFullProcessImageNameW(process.Get(), 0, running, &length))
        {
            ReportWin32(PLATFORM_FAILURE_SITE, GetLastError(), entry.szExeFile);
            continue;
        }
        if (CompareStringOrdinal(running, -1, image, -1, TRUE) == CSTR_EQUAL)
        {
            visit(process.Get());
        }
    }
}

bool AnyInstance(const wchar_t* image)
{
    bool any = false;
    ForEachInstance(image, [&any](HANDLE) { any = true; });
    return any;
}

bool ReadProcessUser(HANDLE process, SidBuffer& sid)
{
    platform::UniqueHandleObject token;
    union
    {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } information;
    DWORD size = 0;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.Put()) ||
        !GetTokenInformation(token.Get(), TokenUser, &information, sizeof information, &size) ||
        !CopySid(sizeof sid, sid, information.user.User.Sid))
    {
        ReportWin32(PLATFORM_FAILURE_SITE, GetLastError(), L"TokenUser");
        return false;
    }
    return true;
}

// Opens a key below the parent as itself, never as the target of a link; null for a link, or a key that
// cannot be opened.
platform::UniqueRegKey OpenNoLink(HKEY parent, const wchar_t* name, REGSAM access)
{
    platform::UniqueRegKey key;
    const LSTATUS status =
        RegOpenKeyExW(parent, name, REG_OPTION_OPEN_LINK, access | KEY_QUERY_VALUE, key.Put());
    if (status != ERROR_SUCCESS)
    {
        ReportWin32(PLATFORM_FAILURE_SITE, status, name);
        return {};
    }
    DWORD type = REG_NONE;
    if (RegQueryValueExW(key.Get(), kLinkTargetValue, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
        type == REG_LINK)
    {
        ReportWin32(PLATFORM_FAILURE_SITE, ERROR_CANT_ACCESS_FILE, name);
        return {};
    }
    return key;
}

// Writes the stop request into the user's product key, opening it a key at a time below the user's root so
// that no link on the way leads elsewhere. A service that cannot be asked is ended later.
void RequestStop(PSID user)
{
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(user, &sid))
    {
        ReportWin32(PLATFORM_FAILURE_SITE, GetLastError(), L"ConvertSidToStringSidW");
        return;
    }
    platform::UniqueRegKey key = OpenNoLink(HKEY_USERS, sid, 0);
    LocalFree(sid);
    wchar_t name[MAX_PATH];
    for (const wchar_t* rest = schema::kProductKey; key && *rest != L'\0';)
    {
        const wchar_t* end = wcschr(rest, L'\\');
        const size_t length = end == nullptr ? wcslen(rest) : static_cast<size_t>(end - rest);
        wmemcpy(name, rest, length);
        name[length] = L'\0';
        rest += end == nullptr ? length : length + 1;
        key = OpenNoLink(key.Get(), name, *rest == L'\0' ? KEY_SET_VALUE : 0);
    }
    if (!key)
    {
        return;
    }
    const DWORD requested = schema::kStopRequested;
    const LSTATUS status = RegSetValueExW(key.Get(), schema::kStopService, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&requested), sizeof requested);
    if (status != ERROR_SUCCESS)
    {
        ReportWin32(PLATFORM_FAILURE_SITE, status, schema::kStopService);
    }
}

void StopInstances(const wchar_t* image)
{
    ForEachInstance(image,
                    [](HANDLE process)
                    {
                        SidBuffer user;
                        if (ReadProcessUser(process, user))
                        {
                            RequestStop(user);
                        }
                    });
    const ULONGLONG deadline = GetTickCount64() + kStopTimeoutMs;
    while (AnyInstance(image) && GetTickCount64() < deadline)
    {
        Sleep(kPollIntervalMs);
    }
    ForEachInstance(image,
                    [](HANDLE process)
                    {
                        platform::ReportEvent(L"ending a service that did not stop in time");
                        if (!TerminateProcess(process, kEndedExitCode) ||
                            WaitForSingleObject(process, kEndTimeoutMs) != WAIT_OBJECT_0)
                        {
                            ReportWin32(PLATFORM_FAILURE_SITE, GetLastError(), L"TerminateProcess");
                        }
                    });
}

} // namespace

extern "C" UINT WINAPI StopTellmarkService(MSIHANDLE install)
{
    wchar_t image[MAX_PATH * 2];
    DWORD length = ARRAYSIZE(image);
    const UINT read = MsiGetPropertyW(install, L"CustomActionData", image, &length);
    if (read != ERROR_SUCCESS || length == 0)
    {
        // Only a broken package gets here; failing would keep the product from ever being removed.
        ReportWin32(PLATFORM_FAILURE_SITE, read == ERROR_SUCCESS ? ERROR_INVALID_DATA : read,
                    L"CustomActionData");
        return ERROR_SUCCESS;
    }
    StopInstances(image);
    return ERROR_SUCCESS;
}
