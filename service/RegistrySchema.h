#pragma once

#include <windows.h>

// The registry area shared with the gadget: keys under HKEY_CURRENT_USER, value names and encodings.
namespace service::schema
{

constexpr const wchar_t* kProductKey = L"Software\\Quorvel\\Tellmark";
constexpr const wchar_t* kStatusKey = L"Software\\Quorvel\\Tellmark\\Current Status";
constexpr const wchar_t* kActivityKey = L"Software\\Microsoft\\MobilePC\\AdaptableSettings\\Activity";

// Product key, REG_DWORD.
constexpr const wchar_t* kNumberOfGadgetInstance = L"NumberOfGadgetInstance";
constexpr const wchar_t* kStopService = L"StopService";
constexpr const wchar_t* kPostMessage = L"PostMessage";
constexpr const wchar_t* kExecShutdown = L"ExecShutdown";

// Status key: REG_SZ values.
constexpr const wchar_t* kVolumeLevel = L"VolumeLevel";
constexpr const wchar_t* kMute = L"Mute";
constexpr const wchar_t* kSetVolume = L"SetVolume";
constexpr const wchar_t* kDisplayOrientation = L"DisplayOrientation";
// Status key: REG_DWORD arguments of hotkey requests.
constexpr const wchar_t* kTouchpad = L"Touchpad";
constexpr const wchar_t* kFanMode = L"FanMode";
constexpr const wchar_t* kVibMode = L"VibMode";

// Activity key, REG_DWORD.
constexpr const wchar_t* kActivity = L"Activity";

// The values through which the gadget asks for an action. Arguments of hotkey requests are not among them:
// without a request they do nothing.
struct CommandValue
{
    const wchar_t* key;
    const wchar_t* name;
};
constexpr CommandValue kCommandValues[] = {
    {kProductKey, kStopService},
    {kProductKey, kPostMessage},
    {kProductKey, kExecShutdown},
    {kStatusKey, kSetVolume},
};

constexpr DWORD kStopRequested = 1;
constexpr DWORD kNoCommand = 0;

constexpr const wchar_t* kVolumeNotAvailable = L"NA";
constexpr const wchar_t* kMuted = L"1";
constexpr const wchar_t* kNotMuted = L"0";
// "SetVolume" carries the scalar level times this factor.
constexpr double kSetVolumeScale = 1000000.0;

} // namespace service::schema
