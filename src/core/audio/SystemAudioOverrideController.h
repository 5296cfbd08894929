#pragma once

#include "AudioHardware.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// Takes over the default output device while the alarm sounds: records its mute, volume (every channel) and
/// active port, keeps this program's sounds on it, moves it from headphones or a line out to its speaker port
/// when it has one, unmutes it and sets a target volume, and later writes the recorded values back (the port
/// first), at the latest when it is destroyed. When another device becomes the default meanwhile (the forced
/// one was unplugged), that one is taken over too, and every device taken over gets its values back. The
/// hardware must outlive it. Main thread only.
class SystemAudioOverrideController
{
public:
    /// The device's state before the first `begin`: mute and volume by element (0 the device, then its
    /// channels); absent values could not be read.
    struct Snapshot
    {
        std::uint32_t deviceID = 0;
        std::vector<std::optional<std::uint32_t>> mutes;
        std::vector<std::optional<float>> volumes;

        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    explicit SystemAudioOverrideController(AudioHardware& hardware);
    /// Ends an active override.
    ~SystemAudioOverrideController();

    SystemAudioOverrideController(const SystemAudioOverrideController&) = delete;
    SystemAudioOverrideController& operator=(const SystemAudioOverrideController&) = delete;

    /// Starts or refreshes the override at `targetVolumeScalar` clamped to 0...1, on the default output
    /// device (the one forced last while none can be found); false when no output device was found (then
    /// nothing changes).
    bool begin(float targetVolumeScalar);
    /// Writes the recorded state back and forgets it; nothing when no override is active. Writes the hardware
    /// cannot make now are its to apply later (see `AudioHardware::hasPendingWrites`).
    void end();
    /// Re-applies the override only when the device has moved away from it (unmuted, at the target, and not
    /// on headphones or a line out while it has a speaker port) or another device has become the default;
    /// true when it wrote. Nothing when no override is active.
    bool reapplyIfChanged(float targetVolumeScalar);

    bool isOverriding() const { return !m_takeovers.empty(); }
    /// The state of the first device taken over, before it was.
    std::optional<Snapshot> activeSnapshot() const
    {
        return m_takeovers.empty() ? std::nullopt : std::optional{m_takeovers.front().snapshot};
    }
    AudioHardware& hardware() { return m_hardware; }

private:
    /// One device taken over: its state before, and its active port then, when it has ports.
    struct Takeover
    {
        Snapshot snapshot;
        std::optional<std::string> portBefore;
        bool movedPort = false;
    };

    std::optional<std::uint32_t> defaultOutputDeviceID();
    Snapshot currentSnapshot(std::uint32_t deviceID);
    /// The device to force now, recording it first when it is new; none when there is none.
    Takeover* currentTakeover();
    void applyOverride(const Takeover& takeover, float targetVolumeScalar);
    /// Selects the speaker port when the active one of `ports` is headphones or a line out; true when it
    /// wrote.
    bool moveToSpeakerPort(Takeover& takeover, const std::vector<AudioOutputPort>& ports);
    void restore(const Snapshot& snapshot);

    AudioHardware& m_hardware;
    /// Every device taken over since the first `begin`, the one forced now last.
    std::vector<Takeover> m_takeovers;
};

/// `value` clamped to 0...1; anything that is not above 0 (NaN included) becomes 0.
float clampedVolumeScalar(float value);

/// Whether a volume element reading `current` (none: unreadable) must be written to reach `target`. On a
/// device whose volume follows its loudest stream, a volume above the target is the alarm's own stream
/// playing louder: writing it down would scale that stream down and make its player raise it again, so only
/// a volume below the target is forced there.
bool volumeNeedsForcing(std::optional<float> current, float target, bool followsStreams);

} // namespace hollerbox
