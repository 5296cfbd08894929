#include "PresentationFormatting.h"

#include "engine/NumberFormatting.h"

#include <cmath>

namespace hollerbox::PresentationFormatting {

std::optional<std::string> countdownText(std::optional<double> secondsUntilNextStage)
{
    if (!secondsUntilNextStage) {
        return std::nullopt;
    }
    return formatFixed(*secondsUntilNextStage, 1) + "s";
}

std::string_view menuBarIconName(bool protectionEnabled)
{
    return protectionEnabled ? "MenuIconArmed" : "MenuIconSleep";
}

std::string volumePercentageText(double volumeScalar)
{
    double clamped = 0.0;
    if (volumeScalar > 1.0) {
        clamped = 1.0;
    } else if (volumeScalar > 0.0) {
        clamped = volumeScalar;
    }
    return std::to_string(static_cast<int>(std::round(clamped * 100.0))) + "%";
}

} // namespace hollerbox::PresentationFormatting
