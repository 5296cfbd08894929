#pragma once

#include <optional>
#include <string_view>

namespace hollerbox {

/// The protection controller's four states.
enum class OpenLidAlarmState
{
    idle,
    pendingArm,
    armed,
    triggered
};

/// The fixed text form of `state` ("idle", "pendingArm", "armed", "triggered").
std::string_view rawValue(OpenLidAlarmState state);

/// The state whose text form is exactly `text` (case-sensitive), or none.
std::optional<OpenLidAlarmState> openLidAlarmStateFromRawValue(std::string_view text);

} // namespace hollerbox
