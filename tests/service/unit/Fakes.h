#pragma once

#include <windows.h>

#include "service/ServicePlatform.h"
#include "tests/support/StoredValue.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace service::testing
{

// Every fake appends what it was asked to do to one shared journal, so tests can check the order of steps.
using Journal = std::vector<std::wstring>;

using test_support::NumberValue;
using test_support::StoredValue;
using test_support::TextValue;

// Keeps values of any type as raw bytes and reads them as the shell registry wrapper does: a number read
// takes the first four bytes of any value of at most 4 bytes whatever its type, a text read takes REG_SZ
// only (type before size), and missing keys and values fail.
class FakeRegistry final : public platform::IRegistry
{
  public:
    explicit FakeRegistry(Journal& journal) : m_journal(journal) {}

    void Set(const std::wstring& path, const std::wstring& name, StoredValue value)
    {
        m_values[{path, name}] = std::move(value);
    }
    void Set(const std::wstring& path, const std::wstring& name, DWORD number)
    {
        Set(path, name, NumberValue(number));
    }
    void Set(const std::wstring& path, const std::wstring& name, const std::wstring& text)
    {
        Set(path, name, TextValue(text));
    }
    bool Has(const std::wstring& path, const std::wstring& name) const
    {
        return m_values.count({path, name}) != 0;
    }
    std::optional<StoredValue> Raw(const std::wstring& path, const std::wstring& name) const
    {
        const auto found = m_values.find({path, name});
        return found == m_values.end() ? std::nullopt : std::optional<StoredValue>(found->second);
    }
    // What a reader sees: a REG_DWORD in decimal, a REG_SZ's text, "<missing>", or the type and size of
    // anything else.
    std::wstring Show(const std::wstring& path, const std::wstring& name) const
    {
        const std::optional<StoredValue> value = Raw(path, name);
        if (!value)
        {
            return L"<missing>";
        }
        if (value->type == REG_DWORD && value->data.size() == sizeof(DWORD))
        {
            DWORD number = 0;
            std::memcpy(&number, value->data.data(), sizeof(number));
            return std::to_wstring(number);
        }
        if (value->type == REG_SZ)
        {
            const std::wstring text(reinterpret_cast<const wchar_t*>(value->data.data()),
                                    value->data.size() / sizeof(wchar_t));
            return text.substr(0, text.find(L'\0'));
        }
        return L"<type " + std::to_wstring(value->type) + L", " + std::to_wstring(value->data.size()) +
               L" bytes>";
    }
    int WriteCount() const { return m_writes; }
    // Deleting a tree that holds this key fails and removes nothing, as the real deletion does when the first
    // subkey it meets cannot be opened or deleted.
    void RefuseDeletion(const std::wstring& path) { m_undeletable.push_back(path); }
    // The key's values can be read but not written or deleted, as with an access list that grants only
    // reading: the key is opened for writing first, so the refusal comes whether the value exists or not.
    void RefuseValueWrites(const std::wstring& path, bool refused = true)
    {
        std::erase(m_readOnly, path);
        if (refused)
        {
            m_readOnly.push_back(path);
        }
    }

    platform::ReadResult ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) override
    {
        m_journal.push_back(L"read " + std::wstring(name));
        const std::optional<StoredValue> stored = Raw(path, name);
        if (!stored)
        {
            return platform::ReadResult::Missing;
        }
        if (stored->data.size() > sizeof(DWORD))
        {
            return platform::ReadResult::TooLong;
        }
        DWORD number = 0;
        std::memcpy(&number, stored->data.data(), stored->data.size());
        value = number;
        return platform::ReadResult::Read;
    }
    platform::ReadResult ReadText(const wchar_t* path, const wchar_t* name,
                                  platform::RegistryText& text) override
    {
        m_journal.push_back(L"read " + std::wstring(name));
        text[0] = L'\0';
        const std::optional<StoredValue> stored = Raw(path, name);
        if (!stored)
        {
            return platform::ReadResult::Missing;
        }
        if (stored->type != REG_SZ && stored->type != REG_EXPAND_SZ && stored->type != REG_MULTI_SZ)
        {
            return platform::ReadResult::WrongType;
        }
        size_t chars = stored->data.size() / sizeof(wchar_t);
        std::wstring data(reinterpret_cast<const wchar_t*>(stored->data.data()), chars);
        if (stored->type == REG_EXPAND_SZ)
        {
            // Expanded as the real read does, and measured with the terminator the expansion writes.
            data = Expanded(data.substr(0, data.find(L'\0')));
            chars = data.size();
        }
        // Data that fills the 16 characters needs a terminator among them.
        if (chars > platform::kRegistryTextChars ||
            (chars == platform::kRegistryTextChars && data.find(L'\0') == std::wstring::npos))
        {
            return platform::ReadResult::TooLong;
        }
        const std::wstring read = data.substr(0, data.find(L'\0'));
        read.copy(text, read.size());
        text[read.size()] = L'\0';
        return platform::ReadResult::Read;
    }
    bool ValueExists(const wchar_t* path, const wchar_t* name) override
    {
        m_journal.push_back(L"exists " + std::wstring(name));
        return Raw(path, name).has_value();
    }
    bool WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) override
    {
        m_journal.push_back(L"write " + std::wstring(name) + L"=" + std::to_wstring(value));
        ++m_writes;
        if (ReadOnly(path))
        {
            return false;
        }
        Set(path, name, value);
        return true;
    }
    void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) override
    {
        m_journal.push_back(L"write " + std::wstring(name) + L"=" + text);
        ++m_writes;
        if (!ReadOnly(path))
        {
            Set(path, name, std::wstring(text));
        }
    }
    bool DeleteValue(const wchar_t* path, const wchar_t* name) override
    {
        m_journal.push_back(L"delete " + std::wstring(name));
        if (ReadOnly(path))
        {
            return false;
        }
        m_values.erase({path, name});
        return true;
    }
    bool DeleteKeyTree(const wchar_t* path) override
    {
        m_journal.push_back(L"delete tree " + std::wstring(path));
        const std::wstring key = path;
        const auto inTree = [&key](const std::wstring& other)
        { return other == key || other.starts_with(key + L"\\"); };
        if (std::any_of(m_undeletable.begin(), m_undeletable.end(), inTree))
        {
            return false;
        }
        std::erase_if(m_values, [&inTree](const auto& entry) { return inTree(entry.first.first); });
        return true;
    }

  private:
    bool ReadOnly(const wchar_t* path) const
    {
        return std::find(m_readOnly.begin(), m_readOnly.end(), path) != m_readOnly.end();
    }
    // The text with its environment variables expanded, terminator included.
    static std::wstring Expanded(const std::wstring& text)
    {
        std::wstring expanded(ExpandEnvironmentStringsW(text.c_str(), nullptr, 0), L'\0');
        ExpandEnvironmentStringsW(text.c_str(), expanded.data(), static_cast<DWORD>(expanded.size()));
        return expanded;
    }

    Journal& m_journal;
    std::map<std::pair<std::wstring, std::wstring>, StoredValue> m_values;
    std::vector<std::wstring> m_undeletable;
    std::vector<std::wstring> m_readOnly;
    int m_writes = 0;
};

// An output device whose volume control behaves like Core Audio's: levels outside 0 to 1 are refused.
class FakeAudioOutput final : public platform::IAudioOutput, public platform::IEndpointVolume
{
  public:
    explicit FakeAudioOutput(Journal& journal) : m_journal(journal) {}

    platform::AudioEndpointResult result = platform::AudioEndpointResult::Used;
    float level = 1.0f;
    BOOL muted = FALSE;
    bool readingsFail = false;
    std::vector<float> levelsSet;

    platform::AudioEndpointResult UseDefaultEndpoint(platform::IEndpointVolumeUser& user) override
    {
        m_journal.push_back(L"audio");
        if (result == platform::AudioEndpointResult::Used)
        {
            user.Use(*this);
        }
        return result;
    }
    HRESULT SetMasterVolumeLevelScalar(float newLevel) override
    {
        levelsSet.push_back(newLevel);
        if (!(newLevel >= 0.0f && newLevel <= 1.0f))
        {
            return E_INVALIDARG;
        }
        level = newLevel;
        return S_OK;
    }
    HRESULT GetMasterVolumeLevelScalar(float* reading) override
    {
        if (readingsFail)
        {
            return E_FAIL;
        }
        *reading = level;
        return S_OK;
    }
    HRESULT GetMute(BOOL* reading) override
    {
        if (readingsFail)
        {
            return E_FAIL;
        }
        *reading = muted;
        return S_OK;
    }

  private:
    Journal& m_journal;
};

class FakeDisplaySettings final : public platform::IDisplaySettings
{
  public:
    explicit FakeDisplaySettings(Journal& journal) : m_journal(journal) {}

    bool succeeds = true;
    DWORD orientation = DMDO_DEFAULT;
    std::vector<DWORD> sizesSeen;

    bool QueryCurrent(DEVMODEW& mode) override
    {
        m_journal.push_back(L"display");
        sizesSeen.push_back(mode.dmSize);
        if (!succeeds)
        {
            return false;
        }
        mode.dmDisplayOrientation = orientation;
        return true;
    }

  private:
    Journal& m_journal;
};

struct PostedMessage
{
    HWND window;
    UINT message;
    WPARAM first;
    LPARAM second;
    bool operator==(const PostedMessage&) const = default;
};

class FakeWindowMessaging final : public platform::IWindowMessaging
{
  public:
    explicit FakeWindowMessaging(Journal& journal) : m_journal(journal) {}

    std::map<std::wstring, HWND> windowsByTitle;
    std::vector<PostedMessage> posted;

    HWND FindByTitle(const wchar_t* title) override
    {
        m_journal.push_back(L"find " + std::wstring(title));
        const auto found = windowsByTitle.find(title);
        return found == windowsByTitle.end() ? nullptr : found->second;
    }
    void Post(HWND window, UINT message, WPARAM first, LPARAM second) override
    {
        m_journal.push_back(L"post");
        posted.push_back({window, message, first, second});
    }

  private:
    Journal& m_journal;
};

struct Launch
{
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    int show;
    bool operator==(const Launch&) const = default;
};

class FakeShellLauncher final : public platform::IShellLauncher
{
  public:
    explicit FakeShellLauncher(Journal& journal) : m_journal(journal) {}

    std::vector<Launch> launches;

    void Execute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, int show) override
    {
        m_journal.push_back(L"launch " + std::wstring(parameters));
        launches.push_back({verb, file, parameters, show});
    }

  private:
    Journal& m_journal;
};

// Runs a test's action on every pause, so a loop test can change the registry between ticks.
class FakeSleeper final : public platform::ISleeper
{
  public:
    std::vector<DWORD> pauses;
    std::function<void(size_t pause)> onPause = [](size_t) {};

    void Sleep(DWORD milliseconds) override
    {
        pauses.push_back(milliseconds);
        onPause(pauses.size());
    }
};

// A complete set of fakes, wired into a ServicePlatform.
struct FakeSystem
{
    Journal journal;
    FakeRegistry registry{journal};
    FakeAudioOutput audio{journal};
    FakeDisplaySettings display{journal};
    FakeWindowMessaging windows{journal};
    FakeShellLauncher shell{journal};
    FakeSleeper sleeper;
    ServicePlatform platform{registry, audio, display, windows, shell, sleeper};
};

} // namespace service::testing
