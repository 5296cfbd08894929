#pragma once

#include "SPUDecodedAxes.h"

#include <array>
#include <cstdint>
#include <optional>

namespace hollerbox {

/// What an evdev absolute axis says about itself (the kernel's input_absinfo).
struct EvdevAxisInfo
{
    std::int32_t value = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t fuzz = 0;
    std::int32_t flat = 0;
    std::int32_t resolution = 0;
};

/// How an evdev accelerometer's axis values become acceleration: divided by the axis resolution in units
/// per g; without a resolution, the axis range is taken as ±2 g around its middle.
class EvdevAccelerometerScaling
{
public:
    static constexpr double fallbackRangeG = 2.0;

    /// The scaling of the ABS_X, ABS_Y and ABS_Z axes; none when an axis has neither a resolution nor a
    /// range (its maximum not above its minimum).
    static std::optional<EvdevAccelerometerScaling> from(const std::array<EvdevAxisInfo, 3>& axes);

    /// Whether some axis had no resolution, so that its range stands in for it.
    bool usesRangeFallback() const { return m_usesRangeFallback; }

    /// The axis values of x, y and z as counts of 1/65536 g.
    SPUDecodedAxes countsFor(const std::array<std::int32_t, 3>& values) const;

private:
    struct Axis
    {
        double center = 0;
        double unitsPerG = 1;
    };

    std::array<Axis, 3> m_axes{};
    bool m_usesRangeFallback = false;
};

} // namespace hollerbox
