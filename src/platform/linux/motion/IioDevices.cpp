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

} // namespace

std::optional<std::string> IioAccelerometerDevice::attribute(const std::string& attributeName) const
{
    return SysfsFiles::read(attributePath(attributeName), kLongestAttribute);
}

std::vector<IioAccelerometerDevice> listIioAccelerometers(const std::string& sysfsRoot,
                                                          const std::string& deviceRoot)
{
    const std::string devicesPath = sysfsRoot + "/bus/iio/devices";
    const auto entries = SysfsFiles::numberedEntries(devicesPath, kNodePrefix);
    if (!entries) {
        return {};
    }
    std::vector<IioAccelerometerDevice> devices;
    for (const auto& [number, name] : *entries) {
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
        device.number = number;
        device.name = SysfsFiles::firstLine(device.attribute("name"));
        device.label = SysfsFiles::firstLine(device.attribute("label"));
        device.location = SysfsFiles::firstLine(device.attribute("location"));
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
