#include "AudioReadinessLevel.h"

#include <array>

namespace hollerbox {

namespace {

constexpr std::array<std::string_view, 3> kRawValues{"ready", "warning", "unavailable"};

} // namespace

std::string_view rawValue(AudioReadinessLevel level)
{
    return kRawValues.at(static_cast<std::size_t>(level));
}

std::optional<AudioReadinessLevel> audioReadinessLevelFromRawValue(std::string_view text)
{
    for (std::size_t index = 0; index < kRawValues.size(); ++index) {
        if (kRawValues[index] == text) {
            return static_cast<AudioReadinessLevel>(index);
        }
    }
    return std::nullopt;
}

} // namespace hollerbox
