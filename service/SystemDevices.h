#pragma once

#include "platform/AudioOutput.h"
#include "platform/DisplaySettings.h"
#include "platform/ShellLauncher.h"
#include "platform/WindowMessaging.h"
#include "service/ServicePlatform.h"

namespace service
{

// The real audio, display, window and shell wrappers. The program and the tick benchmark pair them with a
// registry and a sleeper of their own.
struct SystemDevices
{
    platform::CoreAudioOutput audio;
    platform::SystemDisplaySettings display;
    platform::SystemWindowMessaging windows;
    platform::SystemShellLauncher shell;

    ServicePlatform With(platform::IRegistry& registry, platform::ISleeper& sleeper)
    {
        return {registry, audio, display, windows, shell, sleeper};
    }
};

} // namespace service
