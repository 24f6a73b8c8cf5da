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

// The package's custom action that runs as the system (deferred, not impersonating) before an uninstall or an
// upgrade removes any file. Whoever installs (a user, an administrator, a software distribution as the
// system), every user's running TellmarkSvc.exe of this installation holds its file: the action asks each one
// to stop the documented way, in its user's own registry, ends those that have not stopped in time, and clears
// what the service keeps in the registry of those users and of the installing user.
//
// CustomActionData: "<installing user's SID>;<the installed TellmarkSvc.exe>".

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
constexpr const wchar_t* kManufacturerKey = L"Software\\Quorvel";
// Sessions that run the service at once; the users of any more are stopped but their areas stay.
constexpr size_t kMaxUsers = 64;
// The text form of the longest SID ("S-1-" and 15 sub-authorities), terminated.
constexpr size_t kSidChars = 192;
// "<SID>\<key below the user's root>", a path under HKEY_USERS.
constexpr size_t kUserPathChars = kSidChars + 64;
using UserPath = wchar_t[kUserPathChars];
using SidBuffer = BYTE[SECURITY_MAX_SID_SIZE];

void ReportWin32(const char* file, int line, const char* function, DWORD error, const wchar_t* what)
{
    platform::ReportFailure(file, line, function, platform::HResultFromWin32(static_cast<long>(error)), what);
}

class Users
{
  public:
    void Add(PSID sid)
    {
        for (size_t index = 0; index < m_count; ++index)
        {
            if (EqualSid(m_sids[index], sid))
            {
                return;
            }
        }
        if (m_count < kMaxUsers && CopySid(SECURITY_MAX_SID_SIZE, m_sids[m_count], sid))
        {
            ++m_count;
        }
    }

    template <typename Visit> void ForEach(Visit visit)
    {
        for (size_t index = 0; index < m_count; ++index)
        {
            visit(static_cast<PSID>(m_sids[index]));
        }
    }

  private:
    SidBuffer m_sids[kMaxUsers] = {};
    size_t m_count = 0;
};

// The path of the key below the user's root, under HKEY_USERS; false when it cannot be made.
bool UserKeyPath(PSID user, const wchar_t* below, UserPath& path)
{
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(user, &sid))
    {
        ReportWin32(PLATFORM_FAILURE_SITE, GetLastError(), below);
        return false;
    }
    const size_t sidLength = wcslen(sid);
    const size_t belowLength = wcslen(below);
    const bool fits = sidLength + 1 + belowLength < kUserPathChars;
    if (fits)
    {
        wmemcpy(path, sid, sidLength);
        path[sidLength] = L'\\';
        wmemcpy(path + sidLength + 1, below, belowLength + 1);
    }
    LocalFree(sid);
    return fits;
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

void RequestStop(PSID user)
{
    UserPath path;
    if (!UserKeyPath(user, schema::kProductKey, path))
    {
        return;
    }
    const DWORD requested = schema::kStopRequested;
    const LSTATUS status = SHSetValueW(HKEY_USERS, path, schema::kStopService, REG_DWORD, &requested,
                                       sizeof requested);
    if (status != ERROR_SUCCESS)
    {
        ReportWin32(PLATFORM_FAILURE_SITE, status, path);
    }
}

// Deletes the key only when it holds neither subkeys nor values: other products of the manufacturer stay.
void DeleteKeyIfEmpty(HKEY root, const wchar_t* path)
{
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
    {
        return;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0)
    {
        return;
    }
    key.Reset();
    RegDeleteKeyW(root, path);
}

// A service that was ended, or that ended without a stop request (at logoff, say), left its area behind.
void ClearArea(PSID user)
{
    UserPath product;
    UserPath manufacturer;
    if (!UserKeyPath(user, schema::kProductKey, product) || !UserKeyPath(user, kManufacturerKey, manufacturer))
    {
        return;
    }
    const LSTATUS status = SHDeleteKeyW(HKEY_USERS, product);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
    {
        ReportWin32(PLATFORM_FAILURE_SITE, status, product);
    }
    DeleteKeyIfEmpty(HKEY_USERS, manufacturer);
}

void StopInstances(const wchar_t* image, Users& users)
{
    ForEachInstance(image,
                    [&users](HANDLE process)
                    {
                        SidBuffer user;
                        if (ReadProcessUser(process, user))
                        {
                            RequestStop(user);
                            users.Add(user);
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
    wchar_t data[kSidChars + MAX_PATH * 2];
    DWORD length = ARRAYSIZE(data);
    const UINT read = MsiGetPropertyW(install, L"CustomActionData", data, &length);
    wchar_t* image = read == ERROR_SUCCESS ? wcschr(data, L';') : nullptr;
    if (read != ERROR_SUCCESS || image == nullptr)
    {
        // Only a broken package gets here; failing would keep the product from ever being removed.
        ReportWin32(PLATFORM_FAILURE_SITE, read == ERROR_SUCCESS ? ERROR_INVALID_DATA : read,
                    L"CustomActionData");
        return ERROR_SUCCESS;
    }
    *image++ = L'\0';

    Users users;
    PSID installingUser = nullptr;
    if (ConvertStringSidToSidW(data, &installingUser))
    {
        users.Add(installingUser);
        LocalFree(installingUser);
    }
    StopInstances(image, users);
    users.ForEach(ClearArea);
    return ERROR_SUCCESS;
}
