#pragma once

#include <chrono>

namespace hollerbox {

/// A wall-clock instant with microsecond precision.
using WallTime = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;

/// Seconds from `from` to `to` as a 64-bit float (negative when `to` is earlier).
inline double secondsBetween(WallTime from, WallTime to)
{
    return std::chrono::duration<double>(to - from).count();
}

/// The instant `seconds` after `from`, rounded to the nearest microsecond.
inline WallTime addSeconds(WallTime from, double seconds)
{
    return from + std::chrono::round<std::chrono::microseconds>(std::chrono::duration<double>(seconds));
}

} // namespace hollerbox
