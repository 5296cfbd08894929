#include "AudioReadinessProbe.h"

#include <cmath>
#include <string>

namespace hollerbox {

namespace {

constexpr const char* kAdvice = " Run a test alarm before you trust the Mac with its big moment.";

} // namespace

long long volumePercent(float volumeScalar)
{
    return std::llround(static_cast<double>(volumeScalar) * 100.0);
}

AudioReadinessProbe::AudioReadinessProbe(AudioHardware& hardware, float recommendedMinimumVolume)
    : m_hardware(hardware), m_recommendedMinimumVolume(recommendedMinimumVolume)
{}

std::optional<bool> AudioReadinessProbe::outputMuteState(std::uint32_t deviceID)
{
    for (std::uint32_t element = 0; element <= 2; ++element) {
        if (!m_hardware.hasProperty(deviceID, AudioDeviceProperty::mute, element)) {
            continue;
        }
        if (const auto value = m_hardware.readMute(deviceID, element)) {
            return *value != 0;
        }
    }
    return std::nullopt;
}

std::optional<float> AudioReadinessProbe::readFiniteVolume(std::uint32_t deviceID, std::uint32_t element)
{
    if (!m_hardware.hasProperty(deviceID, AudioDeviceProperty::volume, element)) {
        return std::nullopt;
    }
    const auto value = m_hardware.readVolume(deviceID, element);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<float> AudioReadinessProbe::outputVolumeScalar(std::uint32_t deviceID)
{
    if (const auto main = readFiniteVolume(deviceID, 0)) {
        return main;
    }
    const auto first = readFiniteVolume(deviceID, 1);
    const auto second = readFiniteVolume(deviceID, 2);
    if (first && second) {
        return (*first + *second) * 0.5f;
    }
    return first ? first : second;
}

AudioReadinessSnapshot AudioReadinessProbe::currentReadiness()
{
    AudioReadinessSnapshot snapshot;
    const auto device = m_hardware.defaultOutputDeviceID();
    if (!device || *device == 0) {
        snapshot.level = AudioReadinessLevel::unavailable;
        snapshot.title = "Audio Output Unavailable";
        snapshot.detail =
            "No default output device was found, so your Mac may not have anything to yell through.";
        return snapshot;
    }
    snapshot.outputDeviceID = *device;
    const auto muted = outputMuteState(*device);
    const auto volume = outputVolumeScalar(*device);
    snapshot.isMuted = muted;
    snapshot.volumeScalar = volume;
    if (muted == true) {
        snapshot.level = AudioReadinessLevel::warning;
        snapshot.title = "System Audio Is Muted";
        snapshot.detail =
            "The alarm can still fire, but you may not hear the performance until system audio is unmuted.";
        return snapshot;
    }
    if (!volume) {
        snapshot.level = AudioReadinessLevel::ready;
        snapshot.title = "Audio Ready";
        snapshot.detail =
            muted ? std::string{"An output device is available and does not appear to be muted."} + kAdvice
                  : "An output device is available. Mute and volume details could not be read "
                    "on this device.";
        return snapshot;
    }
    const auto percent = std::to_string(volumePercent(*volume));
    if (*volume <= m_recommendedMinimumVolume) {
        snapshot.level = AudioReadinessLevel::warning;
        snapshot.title = "System Volume Is Very Low";
        snapshot.detail =
            "Current output volume is about " + percent + "%. That might be a little too polite.";
        return snapshot;
    }
    snapshot.level = AudioReadinessLevel::ready;
    snapshot.title = "Audio Ready";
    snapshot.detail = "Output volume is about " + percent + "%." + kAdvice;
    return snapshot;
}

} // namespace hollerbox
