#include "component/registrar/RegKeyTree.h"

#include "component/registrar/ScriptTables.h"
#include "component/registrar/StringCopy.h"
#include "platform/HResult.h"
#include "platform/LoadedModuleFunction.h"
#include "platform/UniqueHandle.h"

#include <atomic>
#include <cstring>
#include <new>

namespace
{

// Subkey names are at most 255 characters.
constexpr DWORD kSubkeyNameBufferSize = 256;

constexpr DWORD kUnitAfterData = sizeof(wchar_t);

using RegDeleteKeyExWFunction = decltype(&RegDeleteKeyExW);

// Looked up, not imported, so the DLL loads where Advapi32 lacks it (before Vista); without view flags
// it deletes as RegDeleteKeyW does. Once per process; two threads may both store the same result.
std::atomic<RegDeleteKeyExWFunction> g_regDeleteKeyEx{nullptr};
std::atomic<bool> g_regDeleteKeyExLookedUp{false};

RegDeleteKeyExWFunction FindRegDeleteKeyEx()
{
    if (!g_regDeleteKeyExLookedUp.load(std::memory_order_acquire))
    {
        g_regDeleteKeyEx.store(
            FindLoadedModuleFunction<RegDeleteKeyExWFunction>(L"Advapi32.dll", "RegDeleteKeyExW"),
            std::memory_order_relaxed);
        g_regDeleteKeyExLookedUp.store(true, std::memory_order_release);
    }
    return g_regDeleteKeyEx.load(std::memory_order_relaxed);
}

// Text of a diagnostic line that names a key, cut off where it does not fit.
class KeyText
{
  public:
    KeyText& Add(const wchar_t* text)
    {
        for (; text != nullptr && *text != L'\0' && m_length + 1 < kChars; ++text)
        {
            m_text[m_length++] = *text;
        }
        m_text[m_length] = L'\0';
        return *this;
    }
    const wchar_t* Text() const { return m_text; }

  private:
    static constexpr size_t kChars = 512;
    wchar_t m_text[kChars] = {};
    size_t m_length = 0;
};

} // namespace

void ReportKeyFailure(const char* file, int line, const char* function, LSTATUS error, HKEY root,
                      const wchar_t* path, const wchar_t* subkey, const wchar_t* valueName)
{
    KeyText what;
    what.Add(RootKeyName(root));
    for (const wchar_t* level : {path, subkey})
    {
        if (level != nullptr && *level != L'\0')
        {
            what.Add(L"\\").Add(level);
        }
    }
    if (valueName != nullptr)
    {
        what.Add(L", value ").Add(*valueName != L'\0' ? valueName : L"(default)");
    }
    platform::ReportFailure(file, line, function, platform::HResultFromWin32(error), what.Text());
}

LSTATUS DeleteKeyTree(HKEY parent, const wchar_t* name)
{
    platform::UniqueRegKey key;
    const LSTATUS openError = RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key.Put());
    if (openError != ERROR_SUCCESS)
    {
        return openError;
    }
    for (;;)
    {
        wchar_t subkey[kSubkeyNameBufferSize];
        DWORD subkeyLength = kSubkeyNameBufferSize;
        if (RegEnumKeyExW(key.Get(), 0, subkey, &subkeyLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
        {
            break;
        }
        const LSTATUS error = DeleteKeyTree(key.Get(), subkey);
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
    }
    key.Reset();
    return DeleteOneKey(parent, name);
}

LSTATUS DeleteOneKey(HKEY parent, const wchar_t* name)
{
    const RegDeleteKeyExWFunction regDeleteKeyEx = FindRegDeleteKeyEx();
    return regDeleteKeyEx != nullptr ? regDeleteKeyEx(parent, name, 0, 0) : RegDeleteKeyW(parent, name);
}

LSTATUS SavedValue::Read(HKEY key, const wchar_t* valueName)
{
    name = CopyString(valueName != nullptr ? valueName : L"");
    if (!name)
    {
        return ERROR_OUTOFMEMORY;
    }
    const LSTATUS sizeError = RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
    if (sizeError != ERROR_SUCCESS)
    {
        return sizeError;
    }
    // Given string data without its terminator, RegSetValueExW reads the unit after the data and counts a
    // zero there as a terminator the caller forgot (Windows does the same): the unit after the data is kept,
    // and not zero, so that the value is written back with exactly the bytes it had.
    data.reset(new (std::nothrow) BYTE[size + kUnitAfterData]);
    if (!data)
    {
        return ERROR_OUTOFMEMORY;
    }
    const LSTATUS error = RegQueryValueExW(key, valueName, nullptr, &type, data.get(), &size);
    if (error == ERROR_SUCCESS)
    {
        memset(data.get() + size, 0xFF, kUnitAfterData);
    }
    return error;
}

LSTATUS SavedValue::Write(HKEY key) const
{
    return RegSetValueExW(key, name[0] != L'\0' ? name.get() : nullptr, 0, type, data.get(), size);
}

LSTATUS SavedKeyTree::Copy(HKEY parent, const wchar_t* name, std::unique_ptr<SavedKeyTree>& tree)
{
    platform::UniqueRegKey key;
    const LSTATUS openError = RegOpenKeyExW(parent, name, 0, KEY_READ, key.Put());
    if (openError != ERROR_SUCCESS)
    {
        return openError;
    }
    std::unique_ptr<SavedKeyTree> copy(new (std::nothrow) SavedKeyTree);
    if (!copy)
    {
        return ERROR_OUTOFMEMORY;
    }
    copy->m_name = CopyString(name);
    if (!copy->m_name)
    {
        return ERROR_OUTOFMEMORY;
    }
    const LSTATUS error = copy->CopyFrom(key.Get());
    if (error == ERROR_SUCCESS)
    {
        tree = std::move(copy);
    }
    // A subkey that vanished while it was copied is no key that cannot be read.
    return error == ERROR_FILE_NOT_FOUND ? ERROR_CANTREAD : error;
}

LSTATUS SavedKeyTree::CopyFrom(HKEY key)
{
    DWORD subkeyCount = 0;
    DWORD valueCount = 0;
    DWORD longestValueName = 0;
    DWORD largestData = 0;
    LSTATUS error = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr,
                                     &valueCount, &longestValueName, &largestData, nullptr, nullptr);
    if (error != ERROR_SUCCESS)
    {
        return error;
    }
    m_values.reset(new (std::nothrow) SavedValue[valueCount + 1]);
    m_subkeys.reset(new (std::nothrow) std::unique_ptr<SavedKeyTree>[subkeyCount + 1]);
    std::unique_ptr<wchar_t[]> valueName(new (std::nothrow) wchar_t[longestValueName + 1]);
    if (!m_values || !m_subkeys || !valueName)
    {
        return ERROR_OUTOFMEMORY;
    }
    for (; m_valueCount < valueCount; ++m_valueCount)
    {
        DWORD nameLength = longestValueName + 1;
        error = RegEnumValueW(key, m_valueCount, valueName.get(), &nameLength, nullptr, nullptr, nullptr,
                              nullptr);
        if (error == ERROR_SUCCESS)
        {
            error = m_values[m_valueCount].Read(key, valueName.get());
        }
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
    }
    for (; m_subkeyCount < subkeyCount; ++m_subkeyCount)
    {
        wchar_t subkey[kSubkeyNameBufferSize];
        DWORD subkeyLength = kSubkeyNameBufferSize;
        error = RegEnumKeyExW(key, m_subkeyCount, subkey, &subkeyLength, nullptr, nullptr, nullptr, nullptr);
        if (error == ERROR_SUCCESS)
        {
            error = Copy(key, subkey, m_subkeys[m_subkeyCount]);
        }
        if (error != ERROR_SUCCESS)
        {
            return error;
        }
    }
    return ERROR_SUCCESS;
}

void SavedKeyTree::Restore(const ScriptKey& parent) const
{
    // Without memory for the path, the reports name the key alone.
    const std::unique_ptr<wchar_t[]> path = JoinKeyPath(parent.path, m_name.get());
    const wchar_t* where = path ? path.get() : m_name.get();
    platform::UniqueRegKey key;
    const LSTATUS createError =
        RegCreateKeyExW(parent.handle, m_name.get(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Put(), nullptr);
    if (createError != ERROR_SUCCESS)
    {
        ReportKeyFailure(PLATFORM_FAILURE_SITE, createError, parent.root, where, nullptr, nullptr);
        return;
    }
    for (DWORD index = 0; index < m_valueCount; ++index)
    {
        const LSTATUS error = m_values[index].Write(key.Get());
        if (error != ERROR_SUCCESS)
        {
            ReportKeyFailure(PLATFORM_FAILURE_SITE, error, parent.root, where, nullptr,
                             m_values[index].name.get());
        }
    }
    for (DWORD index = 0; index < m_subkeyCount; ++index)
    {
        m_subkeys[index]->Restore({key.Get(), parent.root, where});
    }
}
