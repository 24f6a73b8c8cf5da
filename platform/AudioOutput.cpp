#include <windows.h>
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include "platform/AudioOutput.h"
#include "platform/ComPtr.h"

namespace platform
{
namespace
{

constexpr CLSID kMMDeviceEnumeratorClass = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};

class CoreEndpointVolume final : public IEndpointVolume
{
  public:
    explicit CoreEndpointVolume(IAudioEndpointVolume* volume) : m_volume(volume) {}

    HRESULT SetMasterVolumeLevelScalar(float level) override
    {
        return m_volume->SetMasterVolumeLevelScalar(level, nullptr);
    }
    HRESULT GetMasterVolumeLevelScalar(float* level) override
    {
        return m_volume->GetMasterVolumeLevelScalar(level);
    }
    HRESULT GetMute(BOOL* muted) override { return m_volume->GetMute(muted); }

  private:
    IAudioEndpointVolume* m_volume;
};

// The default render endpoint's volume control; failure is set when the audio system or the device's volume
// control could not be reached. A missing default device is no failure: the service publishes it.
AudioEndpointResult AcquireDefaultEndpointVolume(ComPtr<IAudioEndpointVolume>& volume, HRESULT& failure)
{
    ComPtr<IMMDeviceEnumerator> enumerator;
    failure = CoCreateInstance(kMMDeviceEnumeratorClass, nullptr, CLSCTX_INPROC_SERVER,
                               IID_PPV_ARGS(enumerator.Put()));
    if (FAILED(failure))
    {
        return AudioEndpointResult::Unavailable;
    }
    ComPtr<IMMDevice> device;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(eRender, eConsole, device.Put())))
    {
        return AudioEndpointResult::NoDefaultDevice;
    }
    enumerator.Reset();
    failure =
        device->Activate(__uuidof(IAudioEndpointVolume), CLSCTX_INPROC_SERVER, nullptr, volume.PutVoid());
    return FAILED(failure) ? AudioEndpointResult::Unavailable : AudioEndpointResult::Used;
}

} // namespace

AudioEndpointResult CoreAudioOutput::UseDefaultEndpoint(IEndpointVolumeUser& user)
{
    ComPtr<IAudioEndpointVolume> volume;
    HRESULT failure = S_OK;
    const AudioEndpointResult result = AcquireDefaultEndpointVolume(volume, failure);
    m_unreachable.Update(PLATFORM_FAILURE_SITE, failure, L"default audio output");
    if (result != AudioEndpointResult::Used)
    {
        return result;
    }
    CoreEndpointVolume endpoint(volume.Get());
    user.Use(endpoint);
    return AudioEndpointResult::Used;
}

} // namespace platform
