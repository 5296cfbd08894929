#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// The small texts the views show for numbers and switches.
namespace PresentationFormatting {

/// The seconds until the next stage with one decimal and an "s" ("2.0s"); none when there is no countdown.
std::optional<std::string> countdownText(std::optional<double> secondsUntilNextStage);

/// "MenuIconArmed" while protection is on, "MenuIconSleep" while it is off.
std::string_view menuBarIconName(bool protectionEnabled);

/// A volume fraction as a whole percentage ("65%"), clamped to 0...100; NaN reads as 0.
std::string volumePercentageText(double volumeScalar);

} // namespace PresentationFormatting
} // namespace hollerbox
