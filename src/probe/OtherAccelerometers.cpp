#include "OtherAccelerometers.h"

#include "engine/NumberFormatting.h"
#include "linux/motion/EvdevDevices.h"
#include "linux/motion/IioDevices.h"
#include "linux/support/FileDescriptor.h"
#include "motion/AccelerometerPlacement.h"
#include "motion/IioAccelerometerCalibration.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sstream>

namespace hollerbox {

namespace {

std::string placementText(AccelerometerPlacement placement)
{
    switch (placement) {
    case AccelerometerPlacement::display:
        return "display";
    case AccelerometerPlacement::base:
        return "base";
    case AccelerometerPlacement::unknown:
        break;
    }
    return "unknown";
}

std::string access(const std::string& path)
{
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (!file.isValid()) {
        return std::string{"cannot be opened: "} + std::strerror(errno);
    }
    return "can be opened";
}

void describeIio(std::ostringstream& text, const IioAccelerometerDevice& device)
{
    text << "- IIO accelerometer " << device.displayName() << " (" << device.node << ")\n"
         << "  directory: " << device.directory << "\n"
         << "  placement: " << placementText(accelerometerPlacement(device.label, device.location)) << "\n";
    const auto lookup = IioAccelerometerCalibration::read(
        [&device](const std::string& attribute) { return device.attribute(attribute); });
    if (!lookup.calibration) {
        text << "  unusable: " << lookup.problem << "\n";
        return;
    }
    const auto& axes = lookup.calibration->axes();
    text << "  scale (m/s^2 per count): x=" << formatFixed(axes[0].scale, 9)
         << " y=" << formatFixed(axes[1].scale, 9) << " z=" << formatFixed(axes[2].scale, 9) << "\n"
         << "  offset: x=" << formatFixed(axes[0].offset, 3) << " y=" << formatFixed(axes[1].offset, 3)
         << " z=" << formatFixed(axes[2].offset, 3) << "\n"
         << "  mount matrix: " << (lookup.calibration->mountMatrix() ? "applied" : "none") << "\n"
         << "  raw attributes: " << access(device.attributePath("in_accel_x_raw")) << "\n";
    if (device.attribute("scan_elements/in_accel_x_en") && device.attribute("buffer/enable")) {
        text << "  buffer " << device.devicePath << ": " << access(device.devicePath) << "\n";
    } else {
        text << "  buffer: none (raw attributes are polled)\n";
    }
}

} // namespace

std::string describeOtherAccelerometers(const LinuxAccelerometerRoots& roots)
{
    const auto iio = listIioAccelerometers(roots.sysfsRoot, roots.deviceRoot);
    const auto evdev = listEvdevAccelerometers(roots.sysfsRoot, roots.deviceRoot);
    std::ostringstream text;
    text << "Other accelerometers: " << iio.size() << " IIO, " << evdev.size() << " evdev";
    if (iio.empty() && evdev.empty()) {
        text << "\nNone was found under " << roots.sysfsRoot << "/bus/iio/devices or " << roots.sysfsRoot
             << "/class/input.";
        return text.str();
    }
    text << " (listed in the order the alarm tries them)\n";
    for (const auto& device : iio) {
        describeIio(text, device);
    }
    for (const auto& device : evdev) {
        text << "- evdev accelerometer " << (device.name.empty() ? device.node : device.name) << " ("
             << device.devicePath << ")\n"
             << "  marked as accelerometer: " << (device.markedAsAccelerometer ? "yes" : "no") << "\n"
             << "  device node: " << access(device.devicePath) << "\n";
    }
    std::string result = text.str();
    result.pop_back();
    return result;
}

} // namespace hollerbox
