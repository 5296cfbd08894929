#include "EvdevDevices.h"

#include "SysfsFiles.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <dirent.h>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>

namespace hollerbox {

namespace {

constexpr std::string_view kNodePrefix = "event";
constexpr unsigned kAccelerometerProperty = 0x06; // INPUT_PROP_ACCELEROMETER
constexpr unsigned kBitsPerWord = 64;

// The words of a bitmap, bit 0 first; none when a word is not hexadecimal.
std::optional<std::vector<std::uint64_t>> bitmapWords(const std::string& text)
{
    std::vector<std::uint64_t> words;
    std::istringstream stream{text};
    for (std::string word; stream >> word;) {
        std::uint64_t value = 0;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
        if (error != std::errc{} || end != word.data() + word.size()) {
            return std::nullopt;
        }
        words.push_back(value);
    }
    std::reverse(words.begin(), words.end());
    return words;
}

constexpr unsigned kBusUsb = 0x03;
constexpr unsigned kBusBluetooth = 0x05;

} // namespace

std::optional<unsigned> evdevBusType(const std::optional<std::string>& uevent)
{
    if (!uevent) {
        return std::nullopt;
    }
    const auto line = uevent->find("PRODUCT=");
    if (line == std::string::npos) {
        return std::nullopt;
    }
    const auto start = line + 8;
    const auto end = uevent->find('/', start);
    if (end == std::string::npos || end == start || end - start > 4) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (auto index = start; index < end; ++index) {
        const char digit = (*uevent)[index];
        const int nibble = std::isdigit(static_cast<unsigned char>(digit)) != 0 ? digit - '0'
                           : (digit >= 'a' && digit <= 'f')                     ? digit - 'a' + 10
                           : (digit >= 'A' && digit <= 'F')                     ? digit - 'A' + 10
                                                                                : -1;
        if (nibble < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(nibble);
    }
    return value;
}

bool sysfsBitmapHas(const std::string& text, unsigned bit)
{
    const auto words = bitmapWords(text);
    if (!words || bit / kBitsPerWord >= words->size()) {
        return false;
    }
    return ((*words)[bit / kBitsPerWord] >> (bit % kBitsPerWord) & 1U) != 0;
}

bool sysfsBitmapIsEmpty(const std::string& text)
{
    const auto words = bitmapWords(text);
    return words && std::all_of(words->begin(), words->end(), [](std::uint64_t word) { return word == 0; });
}

std::vector<EvdevAccelerometerDevice> listEvdevAccelerometers(const std::string& sysfsRoot,
                                                              const std::string& deviceRoot)
{
    const std::string classPath = sysfsRoot + "/class/input";
    const auto entries = SysfsFiles::numberedEntries(classPath, kNodePrefix);
    if (!entries) {
        return {};
    }
    std::vector<EvdevAccelerometerDevice> devices;
    for (const auto& [number, name] : *entries) {
        // The input device is the event node's parent, reached through its "device" link.
        const std::string input = classPath + "/" + std::string{name} + "/device";
        const std::string properties = SysfsFiles::firstLine(SysfsFiles::read(input + "/properties", 4096));
        const std::string absolute =
            SysfsFiles::firstLine(SysfsFiles::read(input + "/capabilities/abs", 4096));
        const auto keys = SysfsFiles::read(input + "/capabilities/key", 4096);
        const bool marked = sysfsBitmapHas(properties, kAccelerometerProperty);
        const bool threeAxes =
            sysfsBitmapHas(absolute, 0) && sysfsBitmapHas(absolute, 1) && sysfsBitmapHas(absolute, 2);
        const bool noKeys = !keys || sysfsBitmapIsEmpty(SysfsFiles::firstLine(keys));
        if (!marked && !(threeAxes && noKeys)) {
            continue;
        }
        // Game controllers on USB or Bluetooth carry motion sensors too; they say nothing about the laptop.
        if (const auto bus = evdevBusType(SysfsFiles::read(input + "/uevent", 4096));
            bus == kBusUsb || bus == kBusBluetooth) {
            continue;
        }
        EvdevAccelerometerDevice device;
        device.node = std::string{name};
        device.devicePath = deviceRoot + "/input/" + device.node;
        device.number = number;
        device.name = SysfsFiles::firstLine(SysfsFiles::read(input + "/name", 4096));
        device.markedAsAccelerometer = marked;
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(), [](const auto& left, const auto& right) {
        if (left.markedAsAccelerometer != right.markedAsAccelerometer) {
            return left.markedAsAccelerometer;
        }
        return left.number < right.number;
    });
    return devices;
}

} // namespace hollerbox
