#pragma once

#include "HidAccess.h"
#include "SPUDriverWakeAttempt.h"
#include "SPUProbeDeviceSummary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// The registry and device queries shared by the movement monitor and the sensor probe.
namespace SPUDeviceQueries {

inline constexpr std::string_view deviceClass = "AppleSPUHIDDevice";
inline constexpr std::string_view driverClass = "AppleSPUHIDDriver";
inline constexpr std::string_view serviceSource = "AppleSPUHIDDevice service";
inline constexpr std::string_view managerSource = "IOHIDManager";

/// The text property `key` of `device`; none when missing or not text.
std::optional<std::string> stringProperty(std::string_view key, const HidDevice& device);
/// The number property `key` of `device`; none when missing or not a number.
std::optional<std::int64_t> intProperty(std::string_view key, const HidDevice& device);
/// The summary of `device`, with the defaults standing in for missing properties.
SPUProbeDeviceSummary makeSPUSummary(const HidDevice& device);

/// Writes the three wake properties to every sensor driver service and records each write. A failed
/// search yields nothing, or with `recordSearchFailure` one attempt naming the search and its code.
std::vector<SPUDriverWakeAttempt> wakeSPUDrivers(HidAccess& access, bool recordSearchFailure);

} // namespace SPUDeviceQueries
} // namespace hollerbox
