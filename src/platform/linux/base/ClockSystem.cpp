#include "ClockSystem.h"

namespace hollerbox {

WallTime ClockSystem::now() const
{
    return std::chrono::time_point_cast<std::chrono::microseconds>(std::chrono::system_clock::now());
}

} // namespace hollerbox
