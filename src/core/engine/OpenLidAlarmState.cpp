#include "OpenLidAlarmState.h"

#include <array>

namespace hollerbox {

namespace {

constexpr std::array<std::string_view, 4> kRawValues{"idle", "pendingArm", "armed", "triggered"};

} // namespace

std::string_view rawValue(OpenLidAlarmState state)
{
    return kRawValues.at(static_cast<std::size_t>(state));
}

std::optional<OpenLidAlarmState> openLidAlarmStateFromRawValue(std::string_view text)
{
    for (std::size_t index = 0; index < kRawValues.size(); ++index) {
        if (kRawValues[index] == text) {
            return static_cast<OpenLidAlarmState>(index);
        }
    }
    return std::nullopt;
}

} // namespace hollerbox
