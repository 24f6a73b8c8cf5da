#include "tests/service/integration/ServiceHarness.h"

#include <sddl.h>

#include "tests/support/Process.h"
#include "tests/support/RegistryKeys.h"

#include <cwchar>
#include <utility>

extern "C" LONG NTAPI NtDeleteKey(HANDLE key);

namespace service::integration
{
namespace
{

constexpr DWORD kPollIntervalMs = 20;
constexpr const wchar_t* kWineDriversKey = L"Software\\Wine\\Drivers";
constexpr const wchar_t* kLinkTargetValue = L"SymbolicLinkValue";
constexpr const wchar_t* kNowhere = L"\\Registry\\Machine\\Software\\Quorvel\\TellmarkNowhere";

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

bool RefuseValueWrites(const wchar_t* path)
{
    platform::UniqueRegKey key;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool refused =
        RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, WRITE_DAC, key.Put()) == ERROR_SUCCESS &&
        ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(D;;0x2;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1,
                                                             &descriptor, nullptr) &&
        RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor) == ERROR_SUCCESS;
    LocalFree(descriptor);
    return refused;
}

void SelectAudioDriver(const wchar_t* driver)
{
    WriteText(kWineDriversKey, L"Audio", driver);
}

UndeletableSubkey::UndeletableSubkey(std::wstring path, const wchar_t* target) : m_path(std::move(path))
{
    if (target == nullptr)
    {
        target = kNowhere;
    }
    platform::UniqueRegKey link;
    RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS,
                    nullptr, link.Put(), nullptr);
    // The target is kept without a terminator.
    RegSetValueExW(link.Get(), kLinkTargetValue, 0, REG_LINK, reinterpret_cast<const BYTE*>(target),
                   static_cast<DWORD>(wcslen(target) * sizeof(wchar_t)));
}

UndeletableSubkey::~UndeletableSubkey()
{
    // Only the native call deletes the link itself rather than the key it leads to.
    platform::UniqueRegKey link;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, m_path.c_str(), REG_OPTION_OPEN_LINK, DELETE, link.Put()) ==
        ERROR_SUCCESS)
    {
        NtDeleteKey(link.Get());
    }
}

bool UndeletableSubkey::Exists() const
{
    platform::UniqueRegKey link;
    return RegOpenKeyExW(HKEY_CURRENT_USER, m_path.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE,
                         link.Put()) == ERROR_SUCCESS;
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
