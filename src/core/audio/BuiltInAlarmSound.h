#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

class BuiltInSoundLocator;

/// One of the alarm sounds that ship with the program, with its constant texts.
class BuiltInAlarmSound
{
public:
    enum Value : std::uint8_t
    {
        handsOff,
        whatAreYouDoing,
        policeAlarm
    };

    constexpr BuiltInAlarmSound(Value value) : m_value(value) {}

    /// Every sound in catalog order.
    static constexpr std::array<BuiltInAlarmSound, 3> allCases()
    {
        return {handsOff, whatAreYouDoing, policeAlarm};
    }

    /// The sound whose `id` is exactly `id`, or none.
    static std::optional<BuiltInAlarmSound> fromId(std::string_view id);

    constexpr Value value() const { return m_value; }
    std::string_view id() const;
    std::string_view title() const;
    std::string_view description() const;
    std::string_view bundledFileName() const;
    std::string_view bundledFileExtension() const;
    /// The path of this sound's file as `locator` finds it, or none when it is not installed.
    std::optional<std::string> bundledFileURL(const BuiltInSoundLocator& locator) const;

    friend constexpr bool operator==(BuiltInAlarmSound, BuiltInAlarmSound) = default;

private:
    Value m_value = handsOff;
};

} // namespace hollerbox

template <> struct std::hash<hollerbox::BuiltInAlarmSound>
{
    std::size_t operator()(hollerbox::BuiltInAlarmSound sound) const noexcept
    {
        return std::hash<std::uint8_t>{}(sound.value());
    }
};
