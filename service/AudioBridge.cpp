#include "service/AudioBridge.h"

#include "service/NumberText.h"
#include "service/RegistrySchema.h"

namespace service
{
namespace
{

class EndpointWork final : public platform::IEndpointVolumeUser
{
  public:
    EndpointWork(LoopState& state, platform::IRegistry& registry) : m_state(state), m_registry(registry) {}

    void Use(platform::IEndpointVolume& volume) override
    {
        ApplyVolumeCommand(volume);
        PublishVolume(volume);
        PublishMute(volume);
    }

  private:
    void ApplyVolumeCommand(platform::IEndpointVolume& volume)
    {
        platform::RegistryText command;
        if (m_registry.ReadText(schema::kStatusKey, schema::kSetVolume, command) !=
            platform::ReadResult::Read)
        {
            return;
        }
        // Consumed before it is applied, as every command: one whose deletion is refused must not undo the
        // user's own volume changes on every tick. A level outside 0 to 1 is the device's to refuse.
        if (!m_registry.DeleteValue(schema::kStatusKey, schema::kSetVolume))
        {
            return;
        }
        volume.SetMasterVolumeLevelScalar(
            static_cast<float>(ParseDecimal(command) / schema::kSetVolumeScale));
    }

    void PublishVolume(platform::IEndpointVolume& volume)
    {
        float level = 0.0f;
        volume.GetMasterVolumeLevelScalar(&level);
        // Written as a negated equality so that a NaN reading counts as a change.
        if (!(level != m_state.lastVolume))
        {
            return;
        }
        m_state.lastVolume = level;
        m_registry.WriteText(schema::kStatusKey, schema::kVolumeLevel, FormatFixedSix(level).text);
    }

    void PublishMute(platform::IEndpointVolume& volume)
    {
        BOOL muted = FALSE;
        volume.GetMute(&muted);
        if (muted == m_state.lastMute)
        {
            return;
        }
        m_state.lastMute = muted;
        m_registry.WriteText(schema::kStatusKey, schema::kMute, muted ? schema::kMuted : schema::kNotMuted);
    }

    LoopState& m_state;
    platform::IRegistry& m_registry;
};

} // namespace

void RunAudioBridge(LoopState& state, ServicePlatform& platform)
{
    EndpointWork work(state, platform.registry);
    if (platform.audio.UseDefaultEndpoint(work) == platform::AudioEndpointResult::NoDefaultDevice)
    {
        platform.registry.WriteText(schema::kStatusKey, schema::kVolumeLevel, schema::kVolumeNotAvailable);
        state.lastVolume = -1.0f;
    }
}

} // namespace service
