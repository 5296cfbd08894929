#pragma once

#include "AudioHardware.h"

#include <cstdint>
#include <optional>

namespace hollerbox {

/// Takes over the default output device while the alarm sounds: records its mute and volume, unmutes it and
/// sets a target volume, and later writes the recorded values back, at the latest when it is destroyed. The
/// hardware must outlive it. Main thread only.
class SystemAudioOverrideController
{
public:
    /// The device's state before the first `begin`: element 0, 1 and 2 of mute and volume; absent values
    /// could not be read.
    struct Snapshot
    {
        std::uint32_t deviceID = 0;
        std::optional<std::uint32_t> muteMain;
        std::optional<std::uint32_t> muteLeft;
        std::optional<std::uint32_t> muteRight;
        std::optional<float> volumeMain;
        std::optional<float> volumeLeft;
        std::optional<float> volumeRight;

        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    explicit SystemAudioOverrideController(AudioHardware& hardware);
    /// Ends an active override.
    ~SystemAudioOverrideController();

    SystemAudioOverrideController(const SystemAudioOverrideController&) = delete;
    SystemAudioOverrideController& operator=(const SystemAudioOverrideController&) = delete;

    /// Starts or refreshes the override at `targetVolumeScalar` clamped to 0...1; false when no output device
    /// was found (then nothing changes).
    bool begin(float targetVolumeScalar);
    /// Writes the recorded state back and forgets it; nothing when no override is active.
    void end();
    /// Re-applies the override only when the device has moved away from it (unmuted and at the target); true
    /// when it wrote. Nothing when no override is active.
    bool reapplyIfChanged(float targetVolumeScalar);

    bool isOverriding() const { return m_activeSnapshot.has_value(); }
    const std::optional<Snapshot>& activeSnapshot() const { return m_activeSnapshot; }
    AudioHardware& hardware() { return m_hardware; }

private:
    std::optional<std::uint32_t> defaultOutputDeviceID();
    Snapshot currentSnapshot(std::uint32_t deviceID);
    void applyOverride(std::uint32_t deviceID, float targetVolumeScalar);
    void restore(const Snapshot& snapshot);

    AudioHardware& m_hardware;
    std::optional<Snapshot> m_activeSnapshot;
};

/// `value` clamped to 0...1; anything that is not above 0 (NaN included) becomes 0.
float clampedVolumeScalar(float value);

} // namespace hollerbox
