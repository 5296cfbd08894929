#pragma once

#include "audio/AudioHardware.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace hollerbox::testing {

/// In-memory audio devices whose elements can lack a property or fail to read; every call but the reading of
/// ports is logged (a port selection as "writePort <name>").
class FakeAudioHardware final : public AudioHardware
{
public:
    template <typename T> struct Element
    {
        bool present = false;
        bool readable = true;
        bool writable = true;
        T value{};
    };

    /// Elements by index: 0 is the device, then its channels.
    struct Device
    {
        std::vector<Element<std::uint32_t>> mute = std::vector<Element<std::uint32_t>>(3);
        std::vector<Element<float>> volume = std::vector<Element<float>>(3);
        std::vector<AudioOutputPort> ports;
        bool volumeFollowsStreams = false;
    };

    /// A device with mute and volume at element 0 and on two channels.
    static Device stereoDevice(std::uint32_t mute, float volume)
    {
        Device device;
        for (auto& element : device.mute) {
            element = {true, true, true, mute};
        }
        for (auto& element : device.volume) {
            element = {true, true, true, volume};
        }
        return device;
    }

    std::optional<std::uint32_t> defaultOutputDeviceID() override
    {
        calls.push_back("default");
        return defaultDevice;
    }

    bool hasProperty(std::uint32_t device, AudioDeviceProperty property, std::uint32_t element) override
    {
        switch (property) {
        case AudioDeviceProperty::mute:
            return slot(device, element, &Device::mute) != nullptr;
        case AudioDeviceProperty::volume:
            return slot(device, element, &Device::volume) != nullptr;
        case AudioDeviceProperty::volumeFollowsStreams:
            return element == 0 && devices.contains(device) && devices.at(device).volumeFollowsStreams;
        }
        return false;
    }

    std::optional<std::uint32_t> readMute(std::uint32_t device, std::uint32_t element) override
    {
        calls.push_back("readMute " + std::to_string(element));
        return read(slot(device, element, &Device::mute));
    }

    std::optional<float> readVolume(std::uint32_t device, std::uint32_t element) override
    {
        calls.push_back("readVolume " + std::to_string(element));
        return read(slot(device, element, &Device::volume));
    }

    bool writeMute(std::uint32_t device, std::uint32_t element, std::uint32_t value) override
    {
        calls.push_back("writeMute " + std::to_string(element) + "=" + std::to_string(value));
        return write(slot(device, element, &Device::mute), value);
    }

    bool writeVolume(std::uint32_t device, std::uint32_t element, float value) override
    {
        calls.push_back("writeVolume " + std::to_string(element) + "=" + formatVolume(value));
        return write(slot(device, element, &Device::volume), value);
    }

    std::vector<AudioOutputPort> outputPorts(std::uint32_t device) override
    {
        const auto found = devices.find(device);
        return found == devices.end() ? std::vector<AudioOutputPort>{} : found->second.ports;
    }

    bool selectOutputPort(std::uint32_t device, const std::string& name) override
    {
        calls.push_back("writePort " + name);
        const auto found = devices.find(device);
        if (found == devices.end()) {
            return false;
        }
        auto& ports = found->second.ports;
        if (std::none_of(ports.begin(), ports.end(), [&](const auto& port) { return port.name == name; })) {
            return false;
        }
        for (auto& port : ports) {
            port.active = port.name == name;
        }
        return true;
    }

    /// The name of the active port of `device`, or an empty text.
    std::string activePort(std::uint32_t device) const
    {
        for (const auto& port : devices.at(device).ports) {
            if (port.active) {
                return port.name;
            }
        }
        return {};
    }

    void keepOwnPlaybackOn(std::optional<std::uint32_t> device) override { ownPlaybackDevice = device; }

    void setChangeHandler(ChangeHandler handler) override { changeHandler = std::move(handler); }

    /// The writes logged so far, without the reads.
    std::vector<std::string> writes() const
    {
        std::vector<std::string> result;
        for (const auto& call : calls) {
            if (call.starts_with("write")) {
                result.push_back(call);
            }
        }
        return result;
    }

    static std::string formatVolume(float value)
    {
        auto text = std::to_string(value);
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') {
            text.pop_back();
        }
        return text;
    }

    std::optional<std::uint32_t> defaultDevice;
    std::map<std::uint32_t, Device> devices;
    std::vector<std::string> calls;
    ChangeHandler changeHandler;
    std::optional<std::uint32_t> ownPlaybackDevice;

private:
    /// The present element `element` of `device`, or null.
    template <typename T>
    Element<T>* slot(std::uint32_t device, std::uint32_t element, std::vector<Element<T>> Device::*member)
    {
        const auto found = devices.find(device);
        if (found == devices.end() || element >= (found->second.*member).size()) {
            return nullptr;
        }
        auto& result = (found->second.*member)[element];
        return result.present ? &result : nullptr;
    }

    template <typename T> static std::optional<T> read(const Element<T>* element)
    {
        return element && element->readable ? std::optional<T>{element->value} : std::nullopt;
    }

    template <typename T> static bool write(Element<T>* element, T value)
    {
        if (!element || !element->writable) {
            return false;
        }
        element->value = value;
        return true;
    }
};

} // namespace hollerbox::testing
