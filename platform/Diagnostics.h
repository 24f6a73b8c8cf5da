#pragma once

#include <windows.h>

// The one place where both programs report what went wrong: one line per failure as debug output, for a
// debug-output viewer on Windows or WINEDEBUG=+debugstr under Wine. Only error paths call it; success paths
// cost nothing.
namespace platform
{

// "<module>: <file>(<line>) in <function>: [<what>: ]0x<code> <system message>", where file (relative to the
// project), line and function name the place the failure arose: PLATFORM_FAILURE_SITE. Cold: callers keep it
// off their fast path.
[[gnu::cold]] void ReportFailure(const char* file, int line, const char* function, HRESULT code) noexcept;
[[gnu::cold]] void ReportFailure(const char* file, int line, const char* function, HRESULT code,
                                 const wchar_t* what) noexcept;

// A line about the program's life that is not a failure: "<module>: <text>", or "<module>: <text><number>".
void ReportEvent(const wchar_t* text) noexcept;
void ReportEvent(const wchar_t* text, unsigned long number) noexcept;

// A failure that a polling loop would meet on every round: reported when it starts (or changes its code) and
// when it ends, not each time.
class RepeatingFailure
{
  public:
    // code is the outcome of this round; S_OK (or any success) after a failure reports that it ended.
    void Update(const char* file, int line, const char* function, HRESULT code, const wchar_t* what) noexcept
    {
        if (code != m_reported && (FAILED(code) || FAILED(m_reported)))
        {
            Change(file, line, function, code, what);
        }
    }

  private:
    [[gnu::cold]] void Change(const char* file, int line, const char* function, HRESULT code,
                              const wchar_t* what) noexcept;

    HRESULT m_reported = S_OK;
};

// Repeating failures of several things at once, each told apart by a key (for example the name of the
// registry value an operation works on).
class RepeatingFailures
{
  public:
    void Update(const char* file, int line, const char* function, const void* key, HRESULT code,
                const wchar_t* what) noexcept
    {
        if (FAILED(code) || m_failing > 0)
        {
            Change(file, line, function, key, code, what);
        }
    }

  private:
    static constexpr size_t kMaxFailing = 16;
    struct Entry
    {
        const void* key;
        RepeatingFailure failure;
    };

    [[gnu::cold]] void Change(const char* file, int line, const char* function, const void* key, HRESULT code,
                              const wchar_t* what) noexcept;

    Entry m_entries[kMaxFailing] = {};
    size_t m_failing = 0; // the first m_failing entries are failing now
};

} // namespace platform

// The place of the statement it stands in, as the first three arguments of ReportFailure and Update.
#define PLATFORM_FAILURE_SITE __FILE__, __LINE__, __func__
