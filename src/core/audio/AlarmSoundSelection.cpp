#include "AlarmSoundSelection.h"

namespace hollerbox {

namespace {

std::string lastPathComponent(const std::string& path)
{
    const auto end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return path.empty() ? std::string{} : std::string{"/"};
    }
    const auto slash = path.rfind('/', end);
    const auto begin = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(begin, end + 1 - begin);
}

} // namespace

AlarmSoundSelection AlarmSoundSelection::builtIn(BuiltInAlarmSound sound)
{
    return AlarmSoundSelection{sound};
}

AlarmSoundSelection AlarmSoundSelection::customFile(std::string path, std::string displayName)
{
    return AlarmSoundSelection{CustomFile{std::move(path), std::move(displayName)}};
}

AlarmSoundSelection AlarmSoundSelection::defaultSelection()
{
    return builtIn(BuiltInAlarmSound::handsOff);
}

std::optional<BuiltInAlarmSound> AlarmSoundSelection::builtInSound() const
{
    if (const auto* sound = std::get_if<BuiltInAlarmSound>(&m_value)) {
        return *sound;
    }
    return std::nullopt;
}

std::optional<std::string> AlarmSoundSelection::customFilePath() const
{
    if (const auto* file = std::get_if<CustomFile>(&m_value)) {
        return file->path;
    }
    return std::nullopt;
}

std::optional<std::string> AlarmSoundSelection::customDisplayName() const
{
    if (const auto* file = std::get_if<CustomFile>(&m_value)) {
        return file->displayName;
    }
    return std::nullopt;
}

std::string AlarmSoundSelection::title() const
{
    if (const auto* file = std::get_if<CustomFile>(&m_value)) {
        return file->displayName;
    }
    return std::string{std::get<BuiltInAlarmSound>(m_value).title()};
}

std::string AlarmSoundSelection::subtitle() const
{
    if (const auto* file = std::get_if<CustomFile>(&m_value)) {
        return lastPathComponent(file->path);
    }
    return std::string{std::get<BuiltInAlarmSound>(m_value).description()};
}

} // namespace hollerbox
