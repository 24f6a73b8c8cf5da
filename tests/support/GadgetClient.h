#pragma once

#include "tests/support/Process.h"

#include <string>
#include <vector>

// Running the sample gadget clients of examples/gadget and reading what they print.
namespace test_support
{

// The status the clients print while the service runs with the null audio device and an unrotated display.
constexpr const char* kGadgetStatus = "volume 1.000000  mute 0  display DMDO_DEFAULT";

// Runs a client of the examples folder (a Windows path) with cscript.
ProcessResult RunGadgetScript(const std::wstring& examples, const wchar_t* name,
                              const wchar_t* arguments = L"");

std::vector<std::string> SplitLines(const std::string& output);

// The clients' battery line, from the system's own figure: whole minutes of the unsigned seconds.
std::string ExpectedBatteryLine();

} // namespace test_support
