#include "IioDevices.h"

#include "SysfsFiles.h"
#include "motion/AccelerometerPlacement.h"

#include <algorithm>
#include <charconv>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <unistd.h>

namespace hollerbox {

namespace {

constexpr std::string_view kNodePrefix = "iio:device";
constexpr std::size_t kLongestAttribute = 4096;

std::optional<unsigned> nodeNumber(std::string_view name)
{
    if (!name.starts_with(kNodePrefix) || name.size() == kNodePrefix.size() || name.size() > 20) {
        return std::nullopt;
    }
    unsigned number = 0;
    const auto digits = name.substr(kNodePrefix.size());
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return number;
}

std::string firstLine(std::optional<std::string> text)
{
    if (!text) {
        return {};
    }
    std::string line = text->substr(0, text->find('\n'));
    constexpr std::size_t kLongestName = 128;
    line.resize(std::min(line.size(), kLongestName));
    return line;
}

} // namespace

std::optional<std::string> IioAccelerometerDevice::attribute(const std::string& attributeName) const
{
    return SysfsFiles::read(attributePath(attributeName), kLongestAttribute);
}

std::vector<IioAccelerometerDevice> listIioAccelerometers(const std::string& sysfsRoot,
                                                          const std::string& deviceRoot)
{
    const std::string devicesPath = sysfsRoot + "/bus/iio/devices";
    const auto closeDirectory = [](DIR* open) { ::closedir(open); };
    std::unique_ptr<DIR, decltype(closeDirectory)> directory{::opendir(devicesPath.c_str()), closeDirectory};
    if (!directory) {
        return {};
    }
    std::vector<IioAccelerometerDevice> devices;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name{entry->d_name};
        const auto number = nodeNumber(name);
        if (!number) {
            continue;
        }
        IioAccelerometerDevice device;
        device.directory = devicesPath + "/" + std::string{name};
        bool hasAxes = true;
        for (const std::string_view axis : {"x", "y", "z"}) {
            const std::string path = device.attributePath("in_accel_" + std::string{axis} + "_raw");
            hasAxes = hasAxes && ::access(path.c_str(), F_OK) == 0;
        }
        if (!hasAxes) {
            continue;
        }
        device.node = std::string{name};
        device.devicePath = deviceRoot + "/" + device.node;
        device.number = *number;
        device.name = firstLine(device.attribute("name"));
        device.label = firstLine(device.attribute("label"));
        device.location = firstLine(device.attribute("location"));
        devices.push_back(std::move(device));
    }
    std::sort(devices.begin(), devices.end(),
              [](const IioAccelerometerDevice& left, const IioAccelerometerDevice& right) {
                  const int leftRank = placementRank(accelerometerPlacement(left.label, left.location));
                  const int rightRank = placementRank(accelerometerPlacement(right.label, right.location));
                  if (leftRank != rightRank) {
                      return leftRank < rightRank;
                  }
                  return left.number < right.number;
              });
    return devices;
}

} // namespace hollerbox
