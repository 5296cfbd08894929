#include "AccelerometerUnits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace hollerbox {

namespace {

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view kSpace = " \t\n\r";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::int32_t countsFor(double g)
{
    const double counts = std::round(g / SPUDecodedAxes::gPerCount);
    if (std::isnan(counts)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(counts, lowest, highest));
}

} // namespace

SPUDecodedAxes countsFromG(const std::array<double, 3>& g)
{
    return {countsFor(g[0]), countsFor(g[1]), countsFor(g[2])};
}

std::optional<double> parseSysfsNumber(std::string_view text)
{
    text = trimmed(text);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> parseSysfsInteger(std::string_view text)
{
    text = trimmed(text);
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace hollerbox
