#include "ProtectionSensitivityLevel.h"

#include <cmath>

namespace hollerbox {

namespace {

struct LevelTexts
{
    std::string_view rawValue;
    std::string_view title;
    double thresholdG;
    std::string_view description;
};

constexpr std::array<LevelTexts, 3> kLevels{{
    {"low", "Low", 0.08, "Calmer and harder to trigger. Best when you want fewer false alarms."},
    {"medium", "Medium", 0.05, "The everyday setting. A good balance between chill and watchful."},
    {"high", "High", 0.02, "Quick to react. Great for drama, but easier to set off."},
}};

const LevelTexts& textsOf(ProtectionSensitivityLevel::Value value)
{
    return kLevels.at(static_cast<std::size_t>(value));
}

} // namespace

std::optional<ProtectionSensitivityLevel> ProtectionSensitivityLevel::fromRawValue(std::string_view rawValue)
{
    for (const auto level : allCases()) {
        if (level.rawValue() == rawValue) {
            return level;
        }
    }
    return std::nullopt;
}

ProtectionSensitivityLevel ProtectionSensitivityLevel::nearest(double thresholdG)
{
    const auto distance = [thresholdG](ProtectionSensitivityLevel level) {
        return std::fabs(level.thresholdG() - thresholdG);
    };
    const ProtectionSensitivityLevel candidate = distance(medium) < distance(low) ? medium : low;
    return distance(high) < distance(candidate) ? high : candidate;
}

std::string_view ProtectionSensitivityLevel::rawValue() const
{
    return textsOf(m_value).rawValue;
}

std::string_view ProtectionSensitivityLevel::title() const
{
    return textsOf(m_value).title;
}

std::string_view ProtectionSensitivityLevel::description() const
{
    return textsOf(m_value).description;
}

double ProtectionSensitivityLevel::thresholdG() const
{
    return textsOf(m_value).thresholdG;
}

} // namespace hollerbox
