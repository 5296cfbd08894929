#pragma once

#include <cstdint>
#include <string>

namespace hollerbox {

/// The outcome of writing one sensor driver property.
struct SPUDriverWakeAttempt
{
    std::string property;
    std::int32_t value = 0;
    std::int32_t result = 0;

    friend bool operator==(const SPUDriverWakeAttempt&, const SPUDriverWakeAttempt&) = default;
};

} // namespace hollerbox
