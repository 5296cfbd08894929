#include "EvdevAccelerometerScaling.h"

#include "AccelerometerUnits.h"

namespace hollerbox {

std::optional<EvdevAccelerometerScaling>
EvdevAccelerometerScaling::from(const std::array<EvdevAxisInfo, 3>& axes)
{
    EvdevAccelerometerScaling scaling;
    for (std::size_t index = 0; index < axes.size(); ++index) {
        const EvdevAxisInfo& info = axes[index];
        if (info.resolution > 0) {
            scaling.m_axes[index] = {0, static_cast<double>(info.resolution)};
            continue;
        }
        if (info.maximum <= info.minimum) {
            return std::nullopt;
        }
        const double minimum = info.minimum;
        const double maximum = info.maximum;
        scaling.m_axes[index] = {(minimum + maximum) / 2, (maximum - minimum) / 2 / fallbackRangeG};
        scaling.m_usesRangeFallback = true;
    }
    return scaling;
}

SPUDecodedAxes EvdevAccelerometerScaling::countsFor(const std::array<std::int32_t, 3>& values) const
{
    std::array<double, 3> g{};
    for (std::size_t index = 0; index < g.size(); ++index) {
        g[index] = (static_cast<double>(values[index]) - m_axes[index].center) / m_axes[index].unitsPerG;
    }
    return countsFromG(g);
}

} // namespace hollerbox
