#pragma once

#include <windows.h>

#include "platform/Diagnostics.h"

namespace platform
{

// The endpoint volume of the default audio output, valid only while IAudioOutput::UseDefaultEndpoint runs.
class IEndpointVolume
{
  public:
    virtual ~IEndpointVolume() = default;
    virtual HRESULT SetMasterVolumeLevelScalar(float level) = 0;
    virtual HRESULT GetMasterVolumeLevelScalar(float* level) = 0;
    virtual HRESULT GetMute(BOOL* muted) = 0;
};

class IEndpointVolumeUser
{
  public:
    virtual ~IEndpointVolumeUser() = default;
    virtual void Use(IEndpointVolume& volume) = 0;
};

enum class AudioEndpointResult
{
    Used,
    NoDefaultDevice,
    Unavailable, // the audio system or the device's volume control could not be reached
};

class IAudioOutput
{
  public:
    virtual ~IAudioOutput() = default;
    // Acquires the default render endpoint's volume control, hands it to user and releases it again.
    virtual AudioEndpointResult UseDefaultEndpoint(IEndpointVolumeUser& user) = 0;
};

// Core Audio on the calling thread's apartment; nothing is kept between calls, so a new default device is
// picked up on the next call.
class CoreAudioOutput final : public IAudioOutput
{
  public:
    AudioEndpointResult UseDefaultEndpoint(IEndpointVolumeUser& user) override;

  private:
    RepeatingFailure m_unreachable; // it would be met on every tick
};

} // namespace platform
