#include "BackgroundMonitorOptionParser.h"

#include "audio/AlarmSoundSelectionCoding.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

namespace hollerbox {

namespace {

/// The C locale, whatever locale the process runs in, created once.
locale_t cLocale()
{
    static const locale_t locale = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

bool startsAcceptably(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    constexpr std::string_view whiteSpace = " \t\n\v\f\r";
    return whiteSpace.find(text.front()) == std::string_view::npos;
}

template <typename Number, typename Convert>
std::optional<Number> parseWhole(std::string_view text, Convert convert)
{
    if (!startsAcceptably(text) || text.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string copy{text};
    char* end = nullptr;
    const Number value = convert(copy.c_str(), &end, cLocale());
    if (end != copy.c_str() + copy.size() || std::isnan(value)) {
        return std::nullopt;
    }
    return value;
}

/// The value that follows the first argument equal to `name`, unless that argument is the last.
std::optional<std::string_view> valueOf(const std::vector<std::string>& arguments, std::string_view name)
{
    const auto found = std::find(arguments.begin(), arguments.end(), name);
    if (found == arguments.end() || std::next(found) == arguments.end()) {
        return std::nullopt;
    }
    return *std::next(found);
}

float clampedVolume(float volume)
{
    if (volume <= 0.0F) {
        return 0.0F;
    }
    return volume > 1.0F ? 1.0F : volume;
}

} // namespace

std::optional<double> BackgroundMonitorOptionParser::parseDouble(std::string_view text)
{
    return parseWhole<double>(text, ::strtod_l);
}

std::optional<float> BackgroundMonitorOptionParser::parseFloat(std::string_view text)
{
    return parseWhole<float>(text, ::strtof_l);
}

std::optional<std::uint64_t> BackgroundMonitorOptionParser::parseUnsigned(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char character : text) {
        if (character < '0' || character > '9') {
            return std::nullopt;
        }
        const auto digit = static_cast<std::uint64_t>(character - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    if (negative && value != 0) {
        return std::nullopt;
    }
    return value;
}

BackgroundMonitorOptions
BackgroundMonitorOptionParser::parse(const std::vector<std::string>& arguments,
                                     const std::function<std::string()>& defaultLogFilePath)
{
    BackgroundMonitorOptions options;
    const auto doubleOption = [&](std::string_view name, double fallback) {
        const auto text = valueOf(arguments, name);
        return text ? parseDouble(*text).value_or(fallback) : fallback;
    };
    options.armDelaySeconds = doubleOption("--arm-delay", options.armDelaySeconds);
    options.movementThresholdG = doubleOption("--threshold-g", options.movementThresholdG);
    options.alarmRepeatSeconds = doubleOption("--repeat-seconds", options.alarmRepeatSeconds);
    if (const auto text = valueOf(arguments, "--alarm-volume")) {
        options.alarmVolumeScalar = parseFloat(*text).value_or(options.alarmVolumeScalar);
    }
    options.alarmVolumeScalar = clampedVolume(options.alarmVolumeScalar);
    if (const auto text = valueOf(arguments, "--poll-ms")) {
        options.pollIntervalMilliseconds = parseUnsigned(*text).value_or(options.pollIntervalMilliseconds);
    }
    options.alarmSoundSelection =
        alarmSoundSelectionFromCommandLineValue(valueOf(arguments, "--alarm-sound-base64"));
    const auto logFile = valueOf(arguments, "--log-file");
    options.logFilePath = logFile ? std::string{*logFile} : defaultLogFilePath();
    return options;
}

} // namespace hollerbox
