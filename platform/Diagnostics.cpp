#include "platform/Diagnostics.h"

#include <cwchar>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace platform
{
namespace
{

constexpr size_t kLineChars = 1024;
constexpr DWORD kMessageChars = 256;

// A line of text in a fixed buffer; what does not fit is cut off, and the line always ends with a line break.
class Line
{
  public:
    Line& Text(const wchar_t* text)
    {
        for (; *text != L'\0'; ++text)
        {
            Put(*text);
        }
        return *this;
    }
    // Source file and function names are plain ASCII.
    Line& Text(const char* text)
    {
        for (; *text != '\0'; ++text)
        {
            Put(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
        }
        return *this;
    }
    Line& Decimal(unsigned long value)
    {
        wchar_t digits[20];
        int count = 0;
        do
        {
            digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0)
        {
            Put(digits[--count]);
        }
        return *this;
    }
    Line& Hex(unsigned value)
    {
        Text(L"0x");
        for (int shift = 28; shift >= 0; shift -= 4)
        {
            Put(L"0123456789ABCDEF"[value >> shift & 0xF]);
        }
        return *this;
    }
    // As ANSI text: Wine echoes only OutputDebugStringA on its debugstr channel, and debug-output viewers on
    // Windows receive either form.
    void Send()
    {
        m_text[m_length++] = L'\n';
        char narrow[kLineChars * 2];
        const int bytes = WideCharToMultiByte(CP_ACP, 0, m_text, static_cast<int>(m_length), narrow,
                                              static_cast<int>(sizeof narrow) - 1, nullptr, nullptr);
        narrow[bytes] = '\0';
        OutputDebugStringA(narrow);
    }

  private:
    void Put(wchar_t character)
    {
        if (m_length < kLineChars - 1)
        {
            m_text[m_length++] = character;
        }
    }

    wchar_t m_text[kLineChars];
    size_t m_length = 0;
};

// The file name of the program or DLL this code is linked into, without its folder. Not through
// platform::GetModuleFileName: that reports its own failures, and a report must not report.
const wchar_t* ModuleName(wchar_t (&path)[MAX_PATH])
{
    const DWORD length = GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
    {
        return L"?";
    }
    const wchar_t* name = wcsrchr(path, L'\\');
    return name != nullptr ? name + 1 : path;
}

// The system's text for the code, on one line; codes made from a Windows error fall back to that error's
// text.
void SystemMessage(HRESULT code, wchar_t (&message)[kMessageChars])
{
    constexpr DWORD flags =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    DWORD length =
        FormatMessageW(flags, nullptr, static_cast<DWORD>(code), 0, message, kMessageChars, nullptr);
    if (length == 0 && HRESULT_FACILITY(code) == FACILITY_WIN32)
    {
        length = FormatMessageW(flags, nullptr, HRESULT_CODE(code), 0, message, kMessageChars, nullptr);
    }
    while (length > 0 &&
           (message[length - 1] == L' ' || message[length - 1] == L'\r' || message[length - 1] == L'\n'))
    {
        --length;
    }
    message[length] = L'\0';
}

void ReportLine(const char* file, int line, const char* function, HRESULT code, const wchar_t* what,
                const wchar_t* ending)
{
    wchar_t path[MAX_PATH];
    wchar_t message[kMessageChars];
    SystemMessage(code, message);
    Line text;
    text.Text(ModuleName(path)).Text(L": ").Text(file).Text(L"(").Decimal(static_cast<unsigned>(line));
    text.Text(L") in ").Text(function).Text(L": ");
    if (what != nullptr)
    {
        text.Text(what).Text(L": ");
    }
    text.Text(ending).Hex(static_cast<unsigned>(code)).Text(L" ").Text(message).Send();
}

} // namespace

void ReportFailure(const char* file, int line, const char* function, HRESULT code) noexcept
{
    ReportLine(file, line, function, code, nullptr, L"");
}

void ReportFailure(const char* file, int line, const char* function, HRESULT code,
                   const wchar_t* what) noexcept
{
    ReportLine(file, line, function, code, what, L"");
}

void ReportEvent(const wchar_t* text) noexcept
{
    wchar_t path[MAX_PATH];
    Line().Text(ModuleName(path)).Text(L": ").Text(text).Send();
}

void ReportEvent(const wchar_t* text, unsigned long number) noexcept
{
    wchar_t path[MAX_PATH];
    Line().Text(ModuleName(path)).Text(L": ").Text(text).Decimal(number).Send();
}

void RepeatingFailure::Change(const char* file, int line, const char* function, HRESULT code,
                              const wchar_t* what) noexcept
{
    if (FAILED(code))
    {
        ReportLine(file, line, function, code, what, L"");
        m_reported = code;
        return;
    }
    ReportLine(file, line, function, m_reported, what, L"no longer failing, was ");
    m_reported = S_OK;
}

void RepeatingFailures::Change(const char* file, int line, const char* function, const void* key,
                               HRESULT code, const wchar_t* what) noexcept
{
    size_t index = 0;
    while (index < m_failing && m_entries[index].key != key)
    {
        ++index;
    }
    if (index == m_failing)
    {
        if (SUCCEEDED(code))
        {
            return;
        }
        if (m_failing == kMaxFailing)
        {
            ReportLine(file, line, function, code, what, L""); // more failing at once than kept: every time
            return;
        }
        m_entries[m_failing++] = Entry{key, RepeatingFailure()};
    }
    m_entries[index].failure.Update(file, line, function, code, what);
    if (SUCCEEDED(code))
    {
        m_entries[index] = m_entries[--m_failing];
    }
}

} // namespace platform
