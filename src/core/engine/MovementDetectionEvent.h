#pragma once

#include <string>

namespace hollerbox {

/// One confirmed movement, described in one sentence.
struct MovementDetectionEvent
{
    std::string detail;

    friend bool operator==(const MovementDetectionEvent&, const MovementDetectionEvent&) = default;
};

} // namespace hollerbox
