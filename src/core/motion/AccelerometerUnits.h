#pragma once

#include "SPUDecodedAxes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace hollerbox {

/// Standard gravity in m/s²: one g.
inline constexpr double standardGravity = 9.80665;

/// Acceleration in g as counts of 1/65536 g, rounded half away from zero and held within 32 bits.
SPUDecodedAxes countsFromG(const std::array<double, 3>& g);

/// A decimal number as sysfs writes it ("0.009806650\n", "-2", "1e-3"); none for anything else or for a
/// value that is not finite. Locale-independent.
std::optional<double> parseSysfsNumber(std::string_view text);

/// A whole decimal number as sysfs writes it ("-512\n"); none for anything else.
std::optional<std::int64_t> parseSysfsInteger(std::string_view text);

} // namespace hollerbox
