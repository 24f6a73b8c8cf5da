#include "tests/support/GadgetClient.h"

#include <windows.h>

namespace test_support
{
namespace
{

constexpr DWORD kSecondsPerMinute = 60;
// What the clients add when the system gives no estimate of the battery time.
constexpr DWORD kNoEstimate = 0xFFFFFFFF;
const char* const kNoEstimateNote = " (no estimate: on mains power or still estimating)";

} // namespace

ProcessResult RunGadgetScript(const std::wstring& examples, const wchar_t* name, const wchar_t* arguments)
{
    return RunProcess(L"cscript.exe //nologo " + Quoted(examples + L"\\" + name) + arguments);
}

std::vector<std::string> SplitLines(const std::string& output)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = output.find("\r\n", start)) != std::string::npos; start = end + 2)
    {
        lines.push_back(output.substr(start, end - start));
    }
    return lines;
}

std::string ExpectedBatteryLine()
{
    SYSTEM_POWER_STATUS status = {};
    if (!GetSystemPowerStatus(&status))
    {
        return "(no power status)";
    }
    return "Battery: " + std::to_string(status.BatteryLifeTime / kSecondsPerMinute) + " minutes" +
           (status.BatteryLifeTime == kNoEstimate ? kNoEstimateNote : " remaining");
}

} // namespace test_support
