#pragma once

#include "AudioReadinessLevel.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hollerbox {

/// Result of one check of the default audio output.
struct AudioReadinessSnapshot
{
    AudioReadinessLevel level = AudioReadinessLevel::unavailable;
    std::optional<std::uint32_t> outputDeviceID;
    std::optional<bool> isMuted;
    std::optional<float> volumeScalar;
    std::string title;
    std::string detail;

    /// True exactly when the level is `ready`.
    bool isAudibleReady() const { return level == AudioReadinessLevel::ready; }

    friend bool operator==(const AudioReadinessSnapshot&, const AudioReadinessSnapshot&) = default;
};

} // namespace hollerbox
