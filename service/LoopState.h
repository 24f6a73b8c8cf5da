#pragma once

#include <windows.h>

namespace service
{

// What the tick steps remember between ticks; the initial values never equal a real reading, so the first
// successful reading of each kind is published.
struct LoopState
{
    LoopState() { displayMode.dmSize = sizeof(displayMode); }

    float lastVolume = -1.0f;
    INT32 lastMute = -1;
    INT32 lastOrientation = -1;
    DEVMODEW displayMode = {};
};

} // namespace service
