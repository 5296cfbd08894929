#pragma once

#include "AudioHardware.h"
#include "engine/AudioReadinessProviding.h"

#include <cstdint>
#include <optional>

namespace hollerbox {

/// Judges whether the default output would make the alarm heard: present, not muted, loud enough. Only
/// reads; never changes audio settings.
class AudioReadinessProbe final : public AudioReadinessProviding
{
public:
    AudioReadinessProbe(AudioHardware& hardware, float recommendedMinimumVolume);

    AudioReadinessSnapshot currentReadiness() override;

    float recommendedMinimumVolume() const { return m_recommendedMinimumVolume; }

    /// The first readable mute value of element 0, 1 or 2 (non-zero is muted), or none.
    std::optional<bool> outputMuteState(std::uint32_t deviceID);
    /// Element 0's volume, else the mean of the readable channel volumes (elements 1 and 2), or none; a value
    /// that is not a finite number counts as unreadable.
    std::optional<float> outputVolumeScalar(std::uint32_t deviceID);

private:
    std::optional<float> readFiniteVolume(std::uint32_t deviceID, std::uint32_t element);

    AudioHardware& m_hardware;
    float m_recommendedMinimumVolume = 0.15f;
};

/// `volumeScalar` × 100 rounded to the nearest integer, halves away from zero.
long long volumePercent(float volumeScalar);

} // namespace hollerbox
