#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// An IIO device with raw x, y and z accelerometer attributes.
struct IioAccelerometerDevice
{
    std::string directory;  ///< its sysfs directory
    std::string node;       ///< "iio:device0"
    std::string devicePath; ///< "/dev/iio:device0"
    unsigned number = 0;
    std::string name;
    std::string label;
    std::string location;

    /// The text of one of its attributes ("in_accel_scale"); none when missing or unreadable.
    std::optional<std::string> attribute(const std::string& attributeName) const;
    std::string attributePath(const std::string& attributeName) const
    {
        return directory + "/" + attributeName;
    }
    /// Its name, or its node when it has none.
    const std::string& displayName() const { return name.empty() ? node : name; }
};

/// The IIO accelerometers under `<sysfsRoot>/bus/iio/devices`, display-mounted ones first, then in number
/// order.
std::vector<IioAccelerometerDevice> listIioAccelerometers(const std::string& sysfsRoot,
                                                          const std::string& deviceRoot);

} // namespace hollerbox
