#pragma once

#include <chrono>
#include <cmath>

namespace hollerbox::PlaybackTiming {

/// The shortest time a played file is given before it counts as ended.
inline constexpr double minimumFileSeconds = 0.25;
/// How often the output override is put back while a sound plays.
inline constexpr std::chrono::milliseconds overrideRefreshPeriod{500};
/// How often a player whose duration is not known yet is asked again.
inline constexpr std::chrono::milliseconds durationPollPeriod{100};
/// How often a playing sound is checked for a failure that only playing shows (its sound server went away).
inline constexpr std::chrono::milliseconds failureCheckPeriod{100};
/// How often a sound that cannot be opened for want of an output device looks for one again.
inline constexpr std::chrono::milliseconds outputReturnPollPeriod{250};
/// How long a sound without a known duration is allowed to play.
inline constexpr double unknownDurationLimitSeconds = 30.0;

/// `seconds` rounded up to whole milliseconds.
inline std::chrono::milliseconds toMilliseconds(double seconds)
{
    return std::chrono::milliseconds{static_cast<long long>(std::ceil(seconds * 1000.0))};
}

} // namespace hollerbox::PlaybackTiming
