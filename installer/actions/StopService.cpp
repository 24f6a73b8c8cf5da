#include <windows.h>
#include <msi.h>

#include "platform/Registry.h"
#include "platform/UniqueHandle.h"
#include "service/InstanceMutex.h"
#include "service/RegistrySchema.h"

// The package's custom action that runs, in the user's context, before an uninstall removes any file: it
// stops the user's running TellmarkSvc.exe the documented way and clears what the service keeps in the
// registry.

namespace
{

namespace schema = service::schema;

// The service stops within one tick of about 100 ms; the limit leaves room for a heavily loaded machine. A
// service that does not stop in time keeps its file in use, which the installer then handles as for any
// file in use.
constexpr DWORD kStopTimeoutMs = 10000;
constexpr const wchar_t* kManufacturerKey = L"Software\\Quorvel";

void StopRunningService(platform::IRegistry& registry)
{
    // Without the mutex no service runs in this session, and there is nothing to ask.
    const platform::UniqueHandleObject mutex(OpenMutexW(SYNCHRONIZE, FALSE, service::kInstanceMutexName));
    if (!mutex)
    {
        return;
    }
    registry.WriteNumber(schema::kProductKey, schema::kStopService, schema::kStopRequested);
    const DWORD waited = WaitForSingleObject(mutex.Get(), kStopTimeoutMs);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
    {
        ReleaseMutex(mutex.Get());
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

} // namespace

extern "C" UINT WINAPI StopTellmarkService(MSIHANDLE)
{
    platform::ShellRegistry registry;
    StopRunningService(registry);
    // A service that ended without a stop request (at logoff, say) left its area behind.
    registry.DeleteKeyTree(schema::kProductKey);
    DeleteKeyIfEmpty(HKEY_CURRENT_USER, kManufacturerKey);
    return ERROR_SUCCESS;
}
