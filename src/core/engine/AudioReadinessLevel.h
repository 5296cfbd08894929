#pragma once

#include <optional>
#include <string_view>

namespace hollerbox {

/// How ready the audio output is to make the alarm heard.
enum class AudioReadinessLevel
{
    ready,
    warning,
    unavailable
};

/// The text form of `level` ("ready", "warning", "unavailable").
std::string_view rawValue(AudioReadinessLevel level);

/// The level whose text form is exactly `text`, or none.
std::optional<AudioReadinessLevel> audioReadinessLevelFromRawValue(std::string_view text);

} // namespace hollerbox
