#pragma once

#include <windows.h>

#include "platform/UniqueHandle.h"
#include "tests/support/DebugTrace.h"
#include "tests/support/StoredValue.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Helpers for tests that run the real TellmarkSvc.exe under Wine and watch the registry area it shares.
namespace service::integration
{

constexpr const wchar_t* kProductKey = L"Software\\Quorvel\\Tellmark";
constexpr const wchar_t* kStatusKey = L"Software\\Quorvel\\Tellmark\\Current Status";
constexpr const wchar_t* kActivityKey = L"Software\\Microsoft\\MobilePC\\AdaptableSettings\\Activity";
// Long enough for several ticks of the service.
constexpr DWORD kSeveralTicksMs = 600;

// The folder of this test program, with a trailing backslash; helper programs are built next to it.
std::wstring TestFolder();

// Registry data made of the first bytes of a text, terminator or not; or of the whole text with terminator.
std::vector<BYTE> TextBytes(const wchar_t* text, size_t bytes);
std::vector<BYTE> TerminatedBytes(const wchar_t* text);

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
std::vector<std::string> ReadLines(const std::wstring& path);

// Raw access to HKEY_CURRENT_USER, bypassing the service's own wrappers.
std::optional<std::wstring> ReadText(const wchar_t* path, const wchar_t* name);
std::optional<DWORD> ReadNumber(const wchar_t* path, const wchar_t* name);
void WriteRaw(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size);
void WriteRaw(const wchar_t* path, const wchar_t* name, const test_support::StoredValue& value);
std::optional<test_support::StoredValue> ReadRaw(const wchar_t* path, const wchar_t* name);
void WriteText(const wchar_t* path, const wchar_t* name, const std::wstring& text);
void WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value);
void DeleteValue(const wchar_t* path, const wchar_t* name);
bool KeyExists(const wchar_t* path);
// Makes the key refuse every writer of its values (a stop request among them), as a locked-down profile may;
// false when it could not.
bool RefuseValueWrites(const wchar_t* path);
// "" for no audio driver, "alsa" for the null ALSA device the test run configures.
void SelectAudioDriver(const wchar_t* driver);

// A subkey that SHDeleteKeyW cannot delete, so that the deletion of every key above it fails; removed
// again when the object goes away. It is a registry link to a key that does not exist: opening it for the
// deletion fails. (An access list that refuses deletion would do on Windows, but Wine 8 does not enforce the
// security of registry keys.) Given a target (a native path, "\Registry\Machine\..."), it is a link to that
// key instead, which leads whoever follows links there.
class UndeletableSubkey
{
  public:
    explicit UndeletableSubkey(std::wstring path, const wchar_t* target = nullptr);
    UndeletableSubkey(const UndeletableSubkey&) = delete;
    UndeletableSubkey& operator=(const UndeletableSubkey&) = delete;
    ~UndeletableSubkey();

    bool Exists() const;

  private:
    std::wstring m_path;
};

// A running TellmarkSvc.exe, with Wine's debug-output channel on when traced; stopped on request (or ended)
// when the object goes away.
class ServiceProcess
{
  public:
    explicit ServiceProcess(bool traced = false);
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;
    ~ServiceProcess();

    bool Started() const { return static_cast<bool>(m_process); }
    DWORD Id() const { return GetProcessId(m_process.Get()); }
    // The first tick has run once the display orientation is published.
    bool WaitUntilTicking();
    bool Running() const;
    // Exit code once the process ends within the timeout.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 10000);
    // Asks the service to stop through "StopService" and returns its exit code.
    std::optional<DWORD> StopOnRequest();

  private:
    platform::UniqueHandleObject m_process;
};

} // namespace service::integration
