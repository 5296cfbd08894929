#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace hollerbox {

/// One of the three movement sensitivity presets offered to the user, with its threshold and texts.
class ProtectionSensitivityLevel
{
public:
    enum Value : std::uint8_t
    {
        low,
        medium,
        high
    };

    constexpr ProtectionSensitivityLevel(Value value) : m_value(value) {}

    /// Every level in picker order.
    static constexpr std::array<ProtectionSensitivityLevel, 3> allCases() { return {low, medium, high}; }

    /// The level whose raw value is exactly `rawValue` ("low", "medium", "high"), or none.
    static std::optional<ProtectionSensitivityLevel> fromRawValue(std::string_view rawValue);

    /// The preset whose threshold is nearest to `thresholdG`; a tie goes to the less sensitive preset.
    static ProtectionSensitivityLevel nearest(double thresholdG);

    constexpr Value value() const { return m_value; }
    std::string_view rawValue() const;
    std::string_view title() const;
    std::string_view description() const;
    /// The movement threshold in g: 0.08, 0.05 or 0.02.
    double thresholdG() const;

    friend constexpr bool operator==(ProtectionSensitivityLevel, ProtectionSensitivityLevel) = default;

private:
    Value m_value = medium;
};

} // namespace hollerbox

template <> struct std::hash<hollerbox::ProtectionSensitivityLevel>
{
    std::size_t operator()(hollerbox::ProtectionSensitivityLevel level) const noexcept
    {
        return std::hash<std::uint8_t>{}(level.value());
    }
};
