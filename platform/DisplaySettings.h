#pragma once

#include <windows.h>

#include "platform/Diagnostics.h"

namespace platform
{

class IDisplaySettings
{
  public:
    virtual ~IDisplaySettings() = default;
    // Fills mode (whose dmSize the caller set) with the current settings of the calling thread's display.
    virtual bool QueryCurrent(DEVMODEW& mode) = 0;
};

class SystemDisplaySettings final : public IDisplaySettings
{
  public:
    bool QueryCurrent(DEVMODEW& mode) override;

  private:
    RepeatingFailure m_failing; // a failing query is retried, and would be met, on every tick
};

} // namespace platform
