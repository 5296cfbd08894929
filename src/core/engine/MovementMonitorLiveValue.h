#pragma once

#include <cstdint>
#include <optional>

namespace hollerbox {

/// One live sensor reading for display.
struct MovementMonitorLiveValue
{
    std::int64_t reportID = 0;
    std::int64_t usagePage = 0;
    std::int64_t usage = 0;
    std::int64_t currentValue = 0;
    std::optional<std::int64_t> baselineValue;
    std::optional<std::int64_t> lastObservedValue;

    /// `currentValue` minus the baseline, or none without a baseline.
    std::optional<std::int64_t> deltaFromBaseline() const
    {
        if (!baselineValue) {
            return std::nullopt;
        }
        return currentValue - *baselineValue;
    }

    friend bool operator==(const MovementMonitorLiveValue&, const MovementMonitorLiveValue&) = default;
};

} // namespace hollerbox
