#include "SystemAudioOverrideController.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

namespace hollerbox {

namespace {

constexpr std::array<std::uint32_t, 3> kElements{0, 1, 2};

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

bool SystemAudioOverrideController::begin(float targetVolumeScalar)
{
    const auto target = clampedVolumeScalar(targetVolumeScalar);
    const bool first = !m_activeSnapshot;
    std::uint32_t device = 0;
    if (!first) {
        device = m_activeSnapshot->deviceID;
    } else {
        const auto found = defaultOutputDeviceID();
        if (!found) {
            return false;
        }
        device = *found;
        m_activeSnapshot = currentSnapshot(device);
    }
    const auto ports = m_hardware.outputPorts(device);
    if (first) {
        const auto active =
            std::find_if(ports.begin(), ports.end(), [](const auto& port) { return port.active; });
        if (active != ports.end()) {
            m_portBefore = active->name;
        }
    }
    moveToSpeakerPort(device, ports);
    applyOverride(device, target);
    return true;
}

void SystemAudioOverrideController::end()
{
    if (!m_activeSnapshot) {
        return;
    }
    const auto snapshot = *m_activeSnapshot;
    if (m_movedPort && m_portBefore) {
        m_hardware.selectOutputPort(snapshot.deviceID, *m_portBefore);
    }
    restore(snapshot);
    m_activeSnapshot.reset();
    m_portBefore.reset();
    m_movedPort = false;
}

bool SystemAudioOverrideController::reapplyIfChanged(float targetVolumeScalar)
{
    if (!m_activeSnapshot) {
        return false;
    }
    const auto target = clampedVolumeScalar(targetVolumeScalar);
    const auto device = m_activeSnapshot->deviceID;
    bool changed = moveToSpeakerPort(device, m_hardware.outputPorts(device));
    for (const auto element : kElements) {
        if (m_hardware.hasProperty(device, AudioDeviceProperty::mute, element)) {
            const auto mute = m_hardware.readMute(device, element);
            changed = changed || (mute && *mute != 0);
        }
        if (m_hardware.hasProperty(device, AudioDeviceProperty::volume, element)) {
            const auto volume = m_hardware.readVolume(device, element);
            changed = changed || (volume && std::fabs(*volume - target) > 0.001f);
        }
    }
    if (changed) {
        applyOverride(device, target);
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
    const auto mute = [&](std::uint32_t element) -> std::optional<std::uint32_t> {
        if (!m_hardware.hasProperty(deviceID, AudioDeviceProperty::mute, element)) {
            return std::nullopt;
        }
        return m_hardware.readMute(deviceID, element);
    };
    const auto volume = [&](std::uint32_t element) -> std::optional<float> {
        if (!m_hardware.hasProperty(deviceID, AudioDeviceProperty::volume, element)) {
            return std::nullopt;
        }
        return m_hardware.readVolume(deviceID, element);
    };
    Snapshot snapshot;
    snapshot.deviceID = deviceID;
    snapshot.muteMain = mute(0);
    snapshot.muteLeft = mute(1);
    snapshot.muteRight = mute(2);
    snapshot.volumeMain = volume(0);
    snapshot.volumeLeft = volume(1);
    snapshot.volumeRight = volume(2);
    return snapshot;
}

bool SystemAudioOverrideController::moveToSpeakerPort(std::uint32_t deviceID,
                                                      const std::vector<AudioOutputPort>& ports)
{
    const auto* speaker = speakerReplacement(ports);
    if (!speaker) {
        return false;
    }
    m_hardware.selectOutputPort(deviceID, speaker->name);
    m_movedPort = true;
    return true;
}

void SystemAudioOverrideController::applyOverride(std::uint32_t deviceID, float targetVolumeScalar)
{
    for (const auto element : kElements) {
        if (m_hardware.hasProperty(deviceID, AudioDeviceProperty::mute, element)) {
            m_hardware.writeMute(deviceID, element, 0);
        }
    }
    for (const auto element : kElements) {
        if (m_hardware.hasProperty(deviceID, AudioDeviceProperty::volume, element)) {
            m_hardware.writeVolume(deviceID, element, targetVolumeScalar);
        }
    }
}

void SystemAudioOverrideController::restore(const Snapshot& snapshot)
{
    const std::array<std::optional<std::uint32_t>, 3> mutes{snapshot.muteMain, snapshot.muteLeft,
                                                            snapshot.muteRight};
    const std::array<std::optional<float>, 3> volumes{snapshot.volumeMain, snapshot.volumeLeft,
                                                      snapshot.volumeRight};
    for (const auto element : kElements) {
        if (mutes[element] && m_hardware.hasProperty(snapshot.deviceID, AudioDeviceProperty::mute, element)) {
            m_hardware.writeMute(snapshot.deviceID, element, *mutes[element]);
        }
    }
    for (const auto element : kElements) {
        if (volumes[element] &&
            m_hardware.hasProperty(snapshot.deviceID, AudioDeviceProperty::volume, element)) {
            m_hardware.writeVolume(snapshot.deviceID, element, *volumes[element]);
        }
    }
}

} // namespace hollerbox
