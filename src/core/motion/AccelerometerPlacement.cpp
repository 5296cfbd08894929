#include "AccelerometerPlacement.h"

#include "SPUProbeDeviceSummary.h"

#include <array>
#include <optional>
#include <string>

namespace hollerbox {

namespace {

std::optional<AccelerometerPlacement> placementNamedIn(std::string_view text)
{
    const std::string lower = asciiLower(std::string{text});
    constexpr std::array<std::string_view, 3> kDisplayWords{"display", "lid", "screen"};
    constexpr std::array<std::string_view, 2> kBaseWords{"base", "keyboard"};
    for (const std::string_view word : kDisplayWords) {
        if (lower.find(word) != std::string::npos) {
            return AccelerometerPlacement::display;
        }
    }
    for (const std::string_view word : kBaseWords) {
        if (lower.find(word) != std::string::npos) {
            return AccelerometerPlacement::base;
        }
    }
    return std::nullopt;
}

} // namespace

AccelerometerPlacement accelerometerPlacement(std::string_view label, std::string_view location)
{
    if (const auto placement = placementNamedIn(label)) {
        return *placement;
    }
    return placementNamedIn(location).value_or(AccelerometerPlacement::unknown);
}

int placementRank(AccelerometerPlacement placement)
{
    return static_cast<int>(placement);
}

} // namespace hollerbox
