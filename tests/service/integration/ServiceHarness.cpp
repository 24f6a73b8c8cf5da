#include "tests/service/integration/ServiceHarness.h"

#include "tests/support/Process.h"
#include "tests/support/RegistryKeys.h"

#include "platform/LoadedModuleFunction.h"

#include <sddl.h>
#include <winternl.h>

#include <cwchar>
#include <utility>

namespace service::integration
{
namespace
{

constexpr DWORD kPollIntervalMs = 20;
constexpr const wchar_t* kWineDriversKey = L"Software\\Wine\\Drivers";
constexpr const wchar_t* kLinkTargetValue = L"SymbolicLinkValue";
constexpr const wchar_t* kEveryoneMayDoAll = L"D:(A;;KA;;;WD)";

// Replaces the key's access list with the one in the security descriptor string.
bool SetAccessList(const wchar_t* path, const wchar_t* descriptorText)
{
    return test_support::SetKeyPermissions(HKEY_CURRENT_USER, path, descriptorText) == ERROR_SUCCESS;
}

} // namespace

std::wstring TestFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::vector<BYTE> TextBytes(const wchar_t* text, size_t bytes)
{
    const BYTE* begin = reinterpret_cast<const BYTE*>(text);
    return std::vector<BYTE>(begin, begin + bytes);
}

std::vector<BYTE> TerminatedBytes(const wchar_t* text)
{
    return TextBytes(text, (wcslen(text) + 1) * sizeof(wchar_t));
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!condition())
    {
        if (GetTickCount64() > deadline)
        {
            return false;
        }
        Sleep(kPollIntervalMs);
    }
    return true;
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    const HANDLE opened = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
    {
        return lines;
    }
    platform::UniqueHandleObject file(opened);
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        content.append(buffer, read);
    }
    for (size_t start = 0, end; (end = content.find('\n', start)) != std::string::npos; start = end + 1)
    {
        lines.push_back(content.substr(start, end - start));
    }
    return lines;
}

std::optional<std::wstring> ReadText(const wchar_t* path, const wchar_t* name)
{
    wchar_t text[256];
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    return std::wstring(text);
}

std::optional<DWORD> ReadNumber(const wchar_t* path, const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    return value;
}

void WriteRaw(const wchar_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, path, name, type, data, size);
}

void WriteRaw(const wchar_t* path, const wchar_t* name, const test_support::StoredValue& value)
{
    WriteRaw(path, name, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
}

std::optional<test_support::StoredValue> ReadRaw(const wchar_t* path, const wchar_t* name)
{
    test_support::StoredValue value{REG_NONE, std::vector<BYTE>(1024)};
    DWORD size = static_cast<DWORD>(value.data.size());
    if (RegGetValueW(HKEY_CURRENT_USER, path, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, value.data.data(),
                     &size) != ERROR_SUCCESS)
    {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

void WriteText(const wchar_t* path, const wchar_t* name, const std::wstring& text)
{
    WriteRaw(path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value)
{
    WriteRaw(path, name, REG_DWORD, &value, sizeof(value));
}

void DeleteValue(const wchar_t* path, const wchar_t* name)
{
    RegDeleteKeyValueW(HKEY_CURRENT_USER, path, name);
}

bool KeyExists(const wchar_t* path)
{
    return test_support::KeyExists(HKEY_CURRENT_USER, path);
}

bool RefuseValueWrites(const wchar_t* path, bool refused)
{
    // 0x2: KEY_SET_VALUE.
    return SetAccessList(path, refused ? L"D:(D;;0x2;;;WD)(A;;KA;;;WD)" : kEveryoneMayDoAll);
}

void SelectAudioDriver(const wchar_t* driver)
{
    WriteText(kWineDriversKey, L"Audio", driver);
}

std::wstring NativeUserKeyPath(const std::wstring& path)
{
    platform::UniqueHandleObject token;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put());
    BYTE buffer[256];
    DWORD size = sizeof(buffer);
    wchar_t* sid = nullptr;
    if (!GetTokenInformation(token.Get(), TokenUser, buffer, size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid))
    {
        return L"";
    }
    std::wstring native = L"\\Registry\\User\\" + std::wstring(sid) + L"\\" + path;
    LocalFree(sid);
    return native;
}

bool IsRegistryLink(const wchar_t* path)
{
    platform::UniqueRegKey key;
    DWORD type = REG_NONE;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, key.Put()) ==
               ERROR_SUCCESS &&
           RegQueryValueExW(key.Get(), kLinkTargetValue, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
           type == REG_LINK;
}

RegistryLink::RegistryLink(std::wstring path, const std::wstring& nativeTarget) : m_path(std::move(path))
{
    platform::UniqueRegKey link;
    RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                    nullptr, link.Put(), nullptr);
    RegSetValueExW(link.Get(), kLinkTargetValue, 0, REG_LINK,
                   reinterpret_cast<const BYTE*>(nativeTarget.c_str()),
                   static_cast<DWORD>(nativeTarget.size() * sizeof(wchar_t)));
}

RegistryLink::~RegistryLink()
{
    // Only the native call deletes the link itself rather than the key it leads to. The service's own
    // deletion is not used here: a fault of it must not leave a link behind for the tests after.
    platform::UniqueRegKey link;
    if (IsRegistryLink(m_path.c_str()) &&
        RegOpenKeyExW(HKEY_CURRENT_USER, m_path.c_str(), REG_OPTION_OPEN_LINK, DELETE, link.Put()) ==
            ERROR_SUCCESS)
    {
        // Declared for drivers only; NtClose has its shape.
        const auto deleteKey =
            FindLoadedModuleFunction<decltype(&NtClose)>(L"ntdll.dll", "NtDeleteKey");
        if (deleteKey != nullptr)
        {
            deleteKey(link.Get());
        }
    }
}

UndeletableSubkey::UndeletableSubkey(std::wstring path) : m_path(std::move(path))
{
    platform::UniqueRegKey key;
    RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                    nullptr);
    SetAccessList(m_path.c_str(), L"D:(D;;SD;;;WD)(A;;KA;;;WD)");
}

UndeletableSubkey::~UndeletableSubkey()
{
    SetAccessList(m_path.c_str(), kEveryoneMayDoAll);
    RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
}

bool UndeletableSubkey::Exists() const
{
    return KeyExists(m_path.c_str());
}

ServiceProcess::ServiceProcess(bool traced)
{
    const std::wstring commandLine = test_support::Quoted(TestFolder() + L"TellmarkSvc.exe");
    m_process = traced ? debug_trace::Start(commandLine) : test_support::StartProgram(commandLine);
}

ServiceProcess::~ServiceProcess()
{
    if (Running() && !StopOnRequest())
    {
        TerminateProcess(m_process.Get(), 0);
    }
}

bool ServiceProcess::WaitUntilTicking()
{
    // A first start in a prefix loads Wine's audio and display drivers; with other tests' prefixes booting on
    // the same two cores, 10 s were not always enough.
    constexpr DWORD kFirstTickTimeoutMs = 30000;
    return WaitUntil([] { return ReadText(kStatusKey, L"DisplayOrientation").has_value(); },
                     kFirstTickTimeoutMs);
}

bool ServiceProcess::Running() const
{
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> ServiceProcess::WaitForExit(DWORD timeoutMs)
{
    DWORD code = 0;
    if (!m_process || WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(m_process.Get(), &code))
    {
        return std::nullopt;
    }
    return code;
}

std::optional<DWORD> ServiceProcess::StopOnRequest()
{
    WriteNumber(kProductKey, L"StopService", 1);
    return WaitForExit();
}

} // namespace service::integration
