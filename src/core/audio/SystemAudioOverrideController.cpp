#include "SystemAudioOverrideController.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace hollerbox {

namespace {

/// The most channels a device is read with (PulseAudio's limit).
constexpr std::uint32_t kMaxChannels = 32;

bool divertsSound(AudioOutputPortKind kind)
{
    return kind == AudioOutputPortKind::headphones || kind == AudioOutputPortKind::lineOut;
}

/// The speaker port to select instead of the active one, preferring one the system reports as available,
/// then the highest priority; none when the active port does not divert the sound or there is no speaker.
const AudioOutputPort* speakerReplacement(const std::vector<AudioOutputPort>& ports)
{
    const auto active =
        std::find_if(ports.begin(), ports.end(), [](const auto& port) { return port.active; });
    if (active == ports.end() || !divertsSound(active->kind)) {
        return nullptr;
    }
    const AudioOutputPort* best = nullptr;
    for (const auto& port : ports) {
        if (port.kind == AudioOutputPortKind::speaker &&
            (!best ||
             std::tuple{!port.unavailable, port.priority} > std::tuple{!best->unavailable, best->priority})) {
            best = &port;
        }
    }
    return best;
}

} // namespace

float clampedVolumeScalar(float value)
{
    if (!(value > 0.0f)) {
        return 0.0f;
    }
    return value > 1.0f ? 1.0f : value;
}

SystemAudioOverrideController::SystemAudioOverrideController(AudioHardware& hardware) : m_hardware(hardware)
{}

SystemAudioOverrideController::~SystemAudioOverrideController()
{
    end();
}

bool volumeNeedsForcing(std::optional<float> current, float target, bool followsStreams)
{
    constexpr float tolerance = 0.001f;
    if (!current) {
        return true;
    }
    return followsStreams ? *current < target - tolerance : std::fabs(*current - target) > tolerance;
}

bool SystemAudioOverrideController::begin(float targetVolumeScalar)
{
    auto* takeover = currentTakeover();
    if (!takeover) {
        return false;
    }
    moveToSpeakerPort(*takeover, m_hardware.outputPorts(takeover->snapshot.deviceID));
    applyOverride(*takeover, clampedVolumeScalar(targetVolumeScalar));
    return true;
}

SystemAudioOverrideController::Takeover* SystemAudioOverrideController::currentTakeover()
{
    const auto device = defaultOutputDeviceID();
    if (!device) {
        return m_takeovers.empty() ? nullptr : &m_takeovers.back();
    }
    if (!m_takeovers.empty() && m_takeovers.back().snapshot.deviceID == *device) {
        return &m_takeovers.back();
    }
    const auto known = std::find_if(m_takeovers.begin(), m_takeovers.end(), [&](const Takeover& takeover) {
        return takeover.snapshot.deviceID == *device;
    });
    if (known != m_takeovers.end()) {
        // A device that comes back keeps the state recorded before it was first taken over.
        std::rotate(known, std::next(known), m_takeovers.end());
    } else {
        Takeover takeover{currentSnapshot(*device), std::nullopt, false};
        for (const auto& port : m_hardware.outputPorts(*device)) {
            if (port.active) {
                takeover.portBefore = port.name;
            }
        }
        m_takeovers.push_back(std::move(takeover));
    }
    m_hardware.keepOwnPlaybackOn(*device);
    return &m_takeovers.back();
}

void SystemAudioOverrideController::end()
{
    if (m_takeovers.empty()) {
        return;
    }
    m_hardware.keepOwnPlaybackOn(std::nullopt);
    for (auto takeover = m_takeovers.rbegin(); takeover != m_takeovers.rend(); ++takeover) {
        if (takeover->movedPort && takeover->portBefore) {
            m_hardware.selectOutputPort(takeover->snapshot.deviceID, *takeover->portBefore);
        }
        restore(takeover->snapshot);
    }
    m_takeovers.clear();
}

bool SystemAudioOverrideController::reapplyIfChanged(float targetVolumeScalar)
{
    if (m_takeovers.empty()) {
        return false;
    }
    const auto forcedBefore = m_takeovers.back().snapshot.deviceID;
    auto& takeover = *currentTakeover();
    const auto target = clampedVolumeScalar(targetVolumeScalar);
    const auto device = takeover.snapshot.deviceID;
    const bool followsStreams = m_hardware.hasProperty(device, AudioDeviceProperty::volumeFollowsStreams, 0);
    bool changed = moveToSpeakerPort(takeover, m_hardware.outputPorts(device)) || device != forcedBefore;
    for (std::uint32_t element = 0; element < takeover.snapshot.volumes.size(); ++element) {
        if (m_hardware.hasProperty(device, AudioDeviceProperty::mute, element)) {
            const auto mute = m_hardware.readMute(device, element);
            changed = changed || (mute && *mute != 0);
        }
        if (m_hardware.hasProperty(device, AudioDeviceProperty::volume, element)) {
            const auto volume = m_hardware.readVolume(device, element);
            changed = changed || (volume && volumeNeedsForcing(volume, target, followsStreams));
        }
    }
    if (changed) {
        applyOverride(takeover, target);
    }
    return changed;
}

std::optional<std::uint32_t> SystemAudioOverrideController::defaultOutputDeviceID()
{
    const auto device = m_hardware.defaultOutputDeviceID();
    if (!device || *device == 0) {
        return std::nullopt;
    }
    return device;
}

SystemAudioOverrideController::Snapshot SystemAudioOverrideController::currentSnapshot(std::uint32_t deviceID)
{
    Snapshot snapshot;
    snapshot.deviceID = deviceID;
    for (std::uint32_t element = 0; element <= kMaxChannels; ++element) {
        const bool hasMute = m_hardware.hasProperty(deviceID, AudioDeviceProperty::mute, element);
        const bool hasVolume = m_hardware.hasProperty(deviceID, AudioDeviceProperty::volume, element);
        if (element > 0 && !hasMute && !hasVolume) {
            break;
        }
        snapshot.mutes.push_back(hasMute ? m_hardware.readMute(deviceID, element) : std::nullopt);
        snapshot.volumes.push_back(hasVolume ? m_hardware.readVolume(deviceID, element) : std::nullopt);
    }
    return snapshot;
}

bool SystemAudioOverrideController::moveToSpeakerPort(Takeover& takeover,
                                                      const std::vector<AudioOutputPort>& ports)
{
    const auto* speaker = speakerReplacement(ports);
    if (!speaker) {
        return false;
    }
    m_hardware.selectOutputPort(takeover.snapshot.deviceID, speaker->name);
    takeover.movedPort = true;
    return true;
}

void SystemAudioOverrideController::applyOverride(const Takeover& takeover, float targetVolumeScalar)
{
    const auto deviceID = takeover.snapshot.deviceID;
    const auto elements = static_cast<std::uint32_t>(takeover.snapshot.volumes.size());
    for (std::uint32_t element = 0; element < elements; ++element) {
        if (m_hardware.hasProperty(deviceID, AudioDeviceProperty::mute, element)) {
            m_hardware.writeMute(deviceID, element, 0);
        }
    }
    const bool followsStreams =
        m_hardware.hasProperty(deviceID, AudioDeviceProperty::volumeFollowsStreams, 0);
    for (std::uint32_t element = 0; element < elements; ++element) {
        if (m_hardware.hasProperty(deviceID, AudioDeviceProperty::volume, element) &&
            (!followsStreams ||
             volumeNeedsForcing(m_hardware.readVolume(deviceID, element), targetVolumeScalar, true))) {
            m_hardware.writeVolume(deviceID, element, targetVolumeScalar);
        }
    }
}

void SystemAudioOverrideController::restore(const Snapshot& snapshot)
{
    for (std::uint32_t element = 0; element < snapshot.mutes.size(); ++element) {
        if (const auto mute = snapshot.mutes[element]) {
            m_hardware.writeMute(snapshot.deviceID, element, *mute);
        }
    }
    // Element 0 first: where it sets every channel at once, the channels written after it come back exactly.
    for (std::uint32_t element = 0; element < snapshot.volumes.size(); ++element) {
        if (const auto volume = snapshot.volumes[element]) {
            m_hardware.writeVolume(snapshot.deviceID, element, *volume);
        }
    }
}

} // namespace hollerbox
