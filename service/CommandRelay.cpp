#include "service/CommandRelay.h"

#include "service/RegistrySchema.h"

namespace service
{
namespace
{

// Titles of the hotkey / on-screen-display program's window, in the order they are looked for.
constexpr const wchar_t* kHotkeyWindowTitles[] = {
    L"Hotkey Manager", L"On Screen Display",
    L"\uB2E8\uCD95\uD0A4 \uC801\uC6A9 \uBCF4\uAE30 \uBC0F \uD65C\uC6A9", // "Apply and view shortcut keys"
};
constexpr UINT kHotkeyRelayMessage = 2000;

struct HotkeyRequest
{
    DWORD command;
    WPARAM kind;
    const wchar_t* argument;
};
constexpr HotkeyRequest kHotkeyRequests[] = {
    {1, 0, schema::kTouchpad},
    {2, 1, schema::kFanMode},
    {3, 2, schema::kVibMode},
};

struct PowerAction
{
    DWORD command;
    const wchar_t* parameters;
};
constexpr PowerAction kPowerActions[] = {{1, L"/l"}, {2, L"/s"}, {3, L"/r"}, {4, L"/h"}};
constexpr const wchar_t* kPowerProgram = L"shutdown.exe";
constexpr const wchar_t* kOpenVerb = L"open";

HWND FindHotkeyWindow(platform::IWindowMessaging& windows)
{
    for (const wchar_t* title : kHotkeyWindowTitles)
    {
        if (HWND window = windows.FindByTitle(title))
        {
            return window;
        }
    }
    return nullptr;
}

// The row a command value selects; null for a value outside the table, which is left in place.
template <typename Row, size_t Count> const Row* FindCommandRow(const Row (&rows)[Count], DWORD command)
{
    for (const Row& row : rows)
    {
        if (row.command == command)
        {
            return &row;
        }
    }
    return nullptr;
}

void RelayHotkeyRequest(ServicePlatform& platform)
{
    const HWND window = FindHotkeyWindow(platform.windows);
    if (window == nullptr)
    {
        return;
    }
    DWORD command = schema::kNoCommand;
    if (platform.registry.ReadNumber(schema::kProductKey, schema::kPostMessage, command) !=
        platform::ReadResult::Read)
    {
        return;
    }
    const HotkeyRequest* request = FindCommandRow(kHotkeyRequests, command);
    if (request == nullptr)
    {
        return;
    }
    // Without its argument the request stays pending and is tried again on the next tick.
    DWORD argument = 0;
    if (platform.registry.ReadNumber(schema::kStatusKey, request->argument, argument) !=
        platform::ReadResult::Read)
    {
        return;
    }
    // Consumed before it is posted, as every command: one whose reset is refused must not act on every tick.
    if (!platform.registry.WriteNumber(schema::kProductKey, schema::kPostMessage, schema::kNoCommand))
    {
        return;
    }
    platform.windows.Post(window, kHotkeyRelayMessage, request->kind, static_cast<LPARAM>(argument));
}

void StartPowerAction(ServicePlatform& platform)
{
    DWORD command = schema::kNoCommand;
    if (platform.registry.ReadNumber(schema::kProductKey, schema::kExecShutdown, command) !=
        platform::ReadResult::Read)
    {
        return;
    }
    const PowerAction* action = FindCommandRow(kPowerActions, command);
    if (action == nullptr)
    {
        return;
    }
    // Reset first, and launched only once reset: neither a launch that fails nor a refused reset may repeat
    // the action on every tick.
    if (!platform.registry.WriteNumber(schema::kProductKey, schema::kExecShutdown, schema::kNoCommand))
    {
        return;
    }
    platform.shell.Execute(kOpenVerb, kPowerProgram, action->parameters, SW_HIDE);
}

} // namespace

void RunCommandRelay(ServicePlatform& platform)
{
    RelayHotkeyRequest(platform);
    StartPowerAction(platform);
}

} // namespace service
