#pragma once

#include "platform/AudioOutput.h"
#include "platform/DisplaySettings.h"
#include "platform/Registry.h"
#include "platform/ShellLauncher.h"
#include "platform/Sleeper.h"
#include "platform/WindowMessaging.h"

namespace service
{

// Everything through which the service reaches the system; tests hand in fakes.
struct ServicePlatform
{
    platform::IRegistry& registry;
    platform::IAudioOutput& audio;
    platform::IDisplaySettings& display;
    platform::IWindowMessaging& windows;
    platform::IShellLauncher& shell;
    platform::ISleeper& sleeper;
};

} // namespace service
