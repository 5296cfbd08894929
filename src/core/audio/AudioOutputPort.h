#pragma once

#include <cstdint>
#include <string>

namespace hollerbox {

/// What an output port leads to, as far as the alarm cares.
enum class AudioOutputPortKind
{
    speaker,
    headphones,
    lineOut,
    other
};

/// One selectable output of a device (a jack or the built-in speaker).
struct AudioOutputPort
{
    std::string name;
    AudioOutputPortKind kind = AudioOutputPortKind::other;
    /// The system reports nothing connected to it (a jack's sense, or a speaker muted by a plugged jack).
    bool unavailable = false;
    std::uint32_t priority = 0;
    bool active = false;

    friend bool operator==(const AudioOutputPort&, const AudioOutputPort&) = default;
};

} // namespace hollerbox
