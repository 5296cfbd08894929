#pragma once

#include "ports/WallTime.h"

#include <cstdint>
#include <string>

namespace hollerbox {

/// What a run of the alarm playback probe did.
struct AlarmPlaybackResult
{
    WallTime startedAt;
    int beepCount = 0;
    std::uint64_t intervalMilliseconds = 0;

    /// Six lines: the heading, start time, beep count, interval, an empty line and what should have been
    /// heard.
    std::string formattedText() const;

    friend bool operator==(const AlarmPlaybackResult&, const AlarmPlaybackResult&) = default;
};

} // namespace hollerbox
