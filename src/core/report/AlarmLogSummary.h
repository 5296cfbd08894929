#pragma once

#include "ports/WallTime.h"

#include <chrono>

namespace hollerbox {

/// What a monitor log says about the alarm: when it first sounded, for how long in all and how often it was
/// set off.
struct AlarmLogSummary
{
    WallTime startedAt;
    std::chrono::seconds soundingDuration{0};
    int timesSetOff = 0;

    friend bool operator==(const AlarmLogSummary&, const AlarmLogSummary&) = default;
};

} // namespace hollerbox
