#pragma once

#include <windows.h>

#include "service/ServicePlatform.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace service::testing
{

// Every fake appends what it was asked to do to one shared journal, so tests can check the order of steps.
using Journal = std::vector<std::wstring>;

// Holds REG_DWORD and REG_SZ values as the shell functions see them: numbers read only as numbers, texts
// of more than 15 characters cannot be read.
class FakeRegistry final : public platform::IRegistry
{
  public:
    using Value = std::variant<DWORD, std::wstring>;

    explicit FakeRegistry(Journal& journal) : m_journal(journal) {}

    void Set(const std::wstring& path, const std::wstring& name, Value value)
    {
        m_values[{path, name}] = std::move(value);
    }
    bool Has(const std::wstring& path, const std::wstring& name) const
    {
        return m_values.count({path, name}) != 0;
    }
    // What a reader sees: the text, the number in decimal, or "<missing>".
    std::wstring Show(const std::wstring& path, const std::wstring& name) const
    {
        const auto found = m_values.find({path, name});
        if (found == m_values.end())
        {
            return L"<missing>";
        }
        const DWORD* number = std::get_if<DWORD>(&found->second);
        return number ? std::to_wstring(*number) : std::get<std::wstring>(found->second);
    }
    int WriteCount() const { return m_writes; }

    bool ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) override
    {
        m_journal.push_back(L"read " + std::wstring(name));
        const auto found = m_values.find({path, name});
        if (found == m_values.end() || !std::holds_alternative<DWORD>(found->second))
        {
            return false;
        }
        value = std::get<DWORD>(found->second);
        return true;
    }
    bool ReadText(const wchar_t* path, const wchar_t* name, platform::RegistryText& text) override
    {
        m_journal.push_back(L"read " + std::wstring(name));
        const auto found = m_values.find({path, name});
        if (found == m_values.end() || !std::holds_alternative<std::wstring>(found->second))
        {
            return false;
        }
        const std::wstring& stored = std::get<std::wstring>(found->second);
        if (stored.size() >= platform::kRegistryTextChars)
        {
            return false;
        }
        stored.copy(text, stored.size());
        text[stored.size()] = L'\0';
        return true;
    }
    void WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) override
    {
        m_journal.push_back(L"write " + std::wstring(name) + L"=" + std::to_wstring(value));
        ++m_writes;
        Set(path, name, value);
    }
    void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) override
    {
        m_journal.push_back(L"write " + std::wstring(name) + L"=" + text);
        ++m_writes;
        Set(path, name, std::wstring(text));
    }
    void DeleteValue(const wchar_t* path, const wchar_t* name) override
    {
        m_journal.push_back(L"delete " + std::wstring(name));
        m_values.erase({path, name});
    }
    void DeleteKeyTree(const wchar_t* path) override
    {
        m_journal.push_back(L"delete tree " + std::wstring(path));
        const std::wstring key = path;
        std::erase_if(m_values,
                      [&key](const auto& entry)
                      {
                          const std::wstring& valuePath = entry.first.first;
                          return valuePath == key || valuePath.starts_with(key + L"\\");
                      });
    }

  private:
    Journal& m_journal;
    std::map<std::pair<std::wstring, std::wstring>, Value> m_values;
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
