#include "tests/support/DebugTrace.h"

#include "tests/support/Process.h"
#include "tests/support/UnixPath.h"

#include <filesystem>
#include <fstream>

namespace debug_trace
{
namespace
{

// Wine's mark of a program's debug output, after "<process id>:<thread id>": the text as a C string follows.
constexpr char kDebugOutputMarker[] = ":warn:debugstr:OutputDebugStringA \"";

// This program's environment with the channel on, as a block of terminated strings.
std::wstring TracingEnvironment()
{
    std::wstring block;
    wchar_t* const strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1)
    {
        if (_wcsnicmp(entry, L"WINEDEBUG=", 10) != 0)
        {
            block.append(entry).push_back(L'\0');
        }
    }
    FreeEnvironmentStringsW(strings);
    block.append(L"WINEDEBUG=+pid,+debugstr").push_back(L'\0');
    return block;
}

// Undoes Wine's quoting of the text: \n, \r, \t, \", \\ and \xHH; the text ends at the closing quote.
std::string Unquoted(const std::string& quoted)
{
    std::string text;
    for (size_t index = 0; index < quoted.size() && quoted[index] != '"'; ++index)
    {
        if (quoted[index] != '\\' || index + 1 == quoted.size())
        {
            text += quoted[index];
            continue;
        }
        const char escaped = quoted[++index];
        if (escaped == 'x' && index + 2 < quoted.size())
        {
            text += static_cast<char>(std::stoi(quoted.substr(index + 1, 2), nullptr, 16));
            index += 2;
            continue;
        }
        text += escaped == 'n' ? '\n' : escaped == 'r' ? '\r' : escaped == 't' ? '\t' : escaped;
    }
    return text;
}

} // namespace

platform::UniqueHandleObject Start(const std::wstring& commandLine)
{
    const std::wstring environment = TracingEnvironment();
    return test_support::StartProgram(commandLine, nullptr, environment.c_str());
}

std::optional<DWORD> Run(const std::wstring& commandLine, DWORD& processId, DWORD timeoutMs)
{
    const platform::UniqueHandleObject process = Start(commandLine);
    processId = process ? GetProcessId(process.Get()) : 0;
    DWORD exitCode = 0;
    if (!process || WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &exitCode))
    {
        return std::nullopt;
    }
    return exitCode;
}

std::vector<std::string> Lines(DWORD processId)
{
    char prefix[16];
    snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(processId));
    std::ifstream file(std::filesystem::path(test_support::FileFromEnvironment("WINE_STDERR_FILE")),
                       std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(file, line))
    {
        const size_t marker = line.find(kDebugOutputMarker);
        if (marker == std::string::npos || !line.starts_with(prefix))
        {
            continue;
        }
        std::string text = Unquoted(line.substr(marker + sizeof(kDebugOutputMarker) - 1));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        {
            text.pop_back();
        }
        lines.push_back(text);
    }
    return lines;
}

} // namespace debug_trace
