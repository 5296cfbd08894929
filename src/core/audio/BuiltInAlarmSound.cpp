#include "BuiltInAlarmSound.h"

#include "BuiltInSoundLocator.h"

namespace hollerbox {

namespace {

struct SoundTexts
{
    std::string_view id;
    std::string_view title;
    std::string_view description;
    std::string_view bundledFileName;
};

constexpr std::array<SoundTexts, 3> kTexts{{
    {"handsOff", "Hands Off!", "Your Mac will shout, \"Hands off!\"", "hands-off"},
    {"whatAreYouDoing", "What Are You Doing?", "Your Mac will yell, \"What are you doing?\"",
     "what-are-you-doing"},
    {"policeAlarm", "Police Alarm", "A dramatic police-style alarm for maximum panic.", "police-alarm"},
}};

const SoundTexts& textsOf(BuiltInAlarmSound::Value value)
{
    return kTexts.at(static_cast<std::size_t>(value));
}

} // namespace

std::optional<BuiltInAlarmSound> BuiltInAlarmSound::fromId(std::string_view id)
{
    for (auto sound : allCases()) {
        if (sound.id() == id) {
            return sound;
        }
    }
    return std::nullopt;
}

std::string_view BuiltInAlarmSound::id() const
{
    return textsOf(m_value).id;
}

std::string_view BuiltInAlarmSound::title() const
{
    return textsOf(m_value).title;
}

std::string_view BuiltInAlarmSound::description() const
{
    return textsOf(m_value).description;
}

std::string_view BuiltInAlarmSound::bundledFileName() const
{
    return textsOf(m_value).bundledFileName;
}

std::string_view BuiltInAlarmSound::bundledFileExtension() const
{
    return "mp3";
}

std::optional<std::string> BuiltInAlarmSound::bundledFileURL(const BuiltInSoundLocator& locator) const
{
    return locator.bundledFileURL(*this);
}

} // namespace hollerbox
