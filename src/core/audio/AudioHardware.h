#pragma once

#include "AudioOutputPort.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// The output properties the alarm reads and forces. `volumeFollowsStreams` (element 0, never written) marks
/// a device whose volume follows its loudest stream, so that a stream made louder raises the device too.
enum class AudioDeviceProperty
{
    mute,
    volume,
    volumeFollowsStreams
};

/// The system's audio devices: the default output device and the mute and volume of its elements (0 is the
/// device as a whole, 1 to N its channels). A device keeps its ID while the system is restarted. Calls are
/// bounded in time and never throw; a call that fails or runs out of time reads as absent or returns false.
/// Main thread only.
class AudioHardware
{
public:
    using ChangeHandler = std::function<void()>;

    virtual ~AudioHardware() = default;

    /// The default output device's ID (never 0), or none.
    virtual std::optional<std::uint32_t> defaultOutputDeviceID() = 0;
    /// Whether `device` has `property` at `element`.
    virtual bool hasProperty(std::uint32_t device, AudioDeviceProperty property, std::uint32_t element) = 0;
    /// The mute value (0 is not muted) of `element`, or none when it cannot be read.
    virtual std::optional<std::uint32_t> readMute(std::uint32_t device, std::uint32_t element) = 0;
    /// The volume scalar (0 to 1) of `element`, or none when it cannot be read.
    virtual std::optional<float> readVolume(std::uint32_t device, std::uint32_t element) = 0;
    /// Writes the mute value of `element`; true when the system accepted it.
    virtual bool writeMute(std::uint32_t device, std::uint32_t element, std::uint32_t value) = 0;
    /// Writes the volume scalar of `element`; true when the system accepted it.
    virtual bool writeVolume(std::uint32_t device, std::uint32_t element, float value) = 0;

    /// The output ports of `device`, at most one of them active; empty when it has none or they cannot be
    /// read.
    virtual std::vector<AudioOutputPort> outputPorts(std::uint32_t /*device*/) { return {}; }
    /// Makes the port named `name` the active output of `device`; true when the system accepted it.
    virtual bool selectOutputPort(std::uint32_t /*device*/, const std::string& /*name*/) { return false; }

    /// Keeps this program's own sounds on `device`, bringing back any stream that something moves elsewhere,
    /// until called with none.
    virtual void keepOwnPlaybackOn(std::optional<std::uint32_t> /*device*/) {}
    /// Whether writes that failed because the system did not answer are still kept, to be applied as soon as
    /// it answers again (for a bounded time).
    virtual bool hasPendingWrites() { return false; }

    /// Calls `handler` on the main thread soon after any output device or playing stream has changed (several
    /// changes may come as one call); an empty handler stops the calls.
    virtual void setChangeHandler(ChangeHandler handler) = 0;
};

} // namespace hollerbox
