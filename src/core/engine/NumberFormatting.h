#pragma once

#include <string>

namespace hollerbox {

/// Shortest decimal text that reads back as `value`; whole numbers keep one decimal place (2 is "2.0").
/// Locale-independent.
std::string formatShortestDecimal(double value);

/// `value` with exactly `decimals` fraction digits, as printf's "%.Nf" in the C locale would write it.
std::string formatFixed(double value, int decimals);

} // namespace hollerbox
