#include "NumberFormatting.h"

#include <array>
#include <charconv>
#include <cmath>

namespace hollerbox {

namespace {

// Magnitudes from which integers are written in exponent form: no longer exactly representable apart.
constexpr double kLargestPlainMagnitude = 9007199254740992.0; // 2^53
constexpr double kSmallestPlainMagnitude = 1e-4;

std::string nonFinite(double value)
{
    if (std::isnan(value)) {
        return "nan";
    }
    return value < 0 ? "-inf" : "inf";
}

} // namespace

std::string formatShortestDecimal(double value)
{
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    const double magnitude = std::fabs(value);
    const bool plain =
        magnitude == 0.0 || (magnitude >= kSmallestPlainMagnitude && magnitude < kLargestPlainMagnitude);
    std::array<char, 400> buffer{};
    const auto format = plain ? std::chars_format::fixed : std::chars_format::scientific;
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format);
    if (error != std::errc{}) {
        return nonFinite(value);
    }
    std::string text{buffer.data(), end};
    if (plain && text.find('.') == std::string::npos) {
        text += ".0";
    }
    return text;
}

std::string formatFixed(double value, int decimals)
{
    if (!std::isfinite(value)) {
        return nonFinite(value);
    }
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                            std::chars_format::fixed, decimals);
    if (error != std::errc{}) {
        return nonFinite(value);
    }
    return std::string{buffer.data(), end};
}

} // namespace hollerbox
