// Stands in for the hotkey program in tests: HotkeyWindow.exe <window title> <log file>. Shows a window with
// the title and appends "message first second" to the log for every relay message it receives.
#include <windows.h>
#include <shellapi.h>

#include "tests/service/helpers/AppendLine.h"

#include <string>

namespace
{

constexpr UINT kRelayMessage = 2000;
const wchar_t* g_logPath = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM first, LPARAM second)
{
    if (message == kRelayMessage)
    {
        AppendLine(g_logPath, std::to_string(kRelayMessage) + " " + std::to_string(first) + " " +
                                  std::to_string(static_cast<unsigned long long>(second)));
        return 0;
    }
    if (message == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, first, second);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, wchar_t*, int)
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 3)
    {
        return 2;
    }
    g_logPath = arguments[2];

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"TellmarkTestHotkeyWindow";
    RegisterClassW(&windowClass);
    if (CreateWindowW(windowClass.lpszClassName, arguments[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                      nullptr, instance, nullptr) == nullptr)
    {
        return 3;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
    {
        DispatchMessageW(&message);
    }
    LocalFree(arguments);
    return 0;
}
