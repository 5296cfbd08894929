#pragma once

#include "BuiltInAlarmSound.h"

#include <optional>
#include <string>
#include <variant>

namespace hollerbox {

/// The sound an alarm plays: a built-in sound, or an audio file shown under a display name.
class AlarmSoundSelection
{
public:
    struct CustomFile
    {
        std::string path;
        std::string displayName;
        friend bool operator==(const CustomFile&, const CustomFile&) = default;
    };

    static AlarmSoundSelection builtIn(BuiltInAlarmSound sound);
    static AlarmSoundSelection customFile(std::string path, std::string displayName);
    /// The selection used wherever no usable one exists: the "Hands Off!" sound.
    static AlarmSoundSelection defaultSelection();

    bool isBuiltIn() const { return std::holds_alternative<BuiltInAlarmSound>(m_value); }
    std::optional<BuiltInAlarmSound> builtInSound() const;
    std::optional<std::string> customFilePath() const;
    std::optional<std::string> customDisplayName() const;
    /// The built-in sound's title, or the custom file's display name.
    std::string title() const;
    /// The built-in sound's description, or the custom file's name with its extension.
    std::string subtitle() const;

    friend bool operator==(const AlarmSoundSelection&, const AlarmSoundSelection&) = default;

private:
    explicit AlarmSoundSelection(std::variant<BuiltInAlarmSound, CustomFile> value)
        : m_value(std::move(value))
    {}

    std::variant<BuiltInAlarmSound, CustomFile> m_value{BuiltInAlarmSound::handsOff};
};

} // namespace hollerbox
