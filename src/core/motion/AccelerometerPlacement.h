#pragma once

#include <string_view>

namespace hollerbox {

/// Where in the machine an accelerometer sits, as far as its IIO `label` or `location` tell.
enum class AccelerometerPlacement
{
    display,
    unknown,
    base,
};

/// The placement that `label` ("accel-display", "accel-base") or `location` ("lid", "base") name.
AccelerometerPlacement accelerometerPlacement(std::string_view label, std::string_view location);

/// Ranks placements for choosing a machine's accelerometer: the display's first, an unknown one next, the
/// base's last. A lower rank is better.
int placementRank(AccelerometerPlacement placement);

} // namespace hollerbox
