#pragma once

#include <string>

namespace hollerbox {

/// Answer of an arm request: whether the monitor is watching, and one sentence saying so.
struct MovementMonitorArmResult
{
    bool isAvailable = false;
    std::string detail;

    friend bool operator==(const MovementMonitorArmResult&, const MovementMonitorArmResult&) = default;
};

} // namespace hollerbox
