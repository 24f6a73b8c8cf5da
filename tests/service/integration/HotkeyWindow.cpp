#include "tests/service/integration/HotkeyWindow.h"

#include "tests/service/integration/ServiceHarness.h"
#include "tests/support/Process.h"

namespace service::integration
{
namespace
{

constexpr DWORD kExitWaitMs = 5000;

} // namespace

HotkeyWindow::HotkeyWindow(const wchar_t* title, const std::wstring& log)
    : m_process(test_support::StartProgram(test_support::Quoted(TestFolder() + L"HotkeyWindow.exe") + L" " +
                                           test_support::Quoted(title) + L" " + test_support::Quoted(log)))
{
    m_shown = WaitUntil([title] { return FindWindowW(nullptr, title) != nullptr; });
}

HotkeyWindow::~HotkeyWindow()
{
    if (m_process)
    {
        TerminateProcess(m_process.Get(), 0);
        WaitForSingleObject(m_process.Get(), kExitWaitMs);
    }
}

} // namespace service::integration
