#pragma once

#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

/// An input device that reports acceleration: marked as an accelerometer, or with absolute x, y and z axes
/// and no keys.
struct EvdevAccelerometerDevice
{
    std::string node;       ///< "event5"
    std::string devicePath; ///< "/dev/input/event5"
    unsigned number = 0;
    std::string name;
    bool markedAsAccelerometer = false;
};

/// The evdev accelerometers under `<sysfsRoot>/class/input`, marked ones first, then in number order.
std::vector<EvdevAccelerometerDevice> listEvdevAccelerometers(const std::string& sysfsRoot,
                                                              const std::string& deviceRoot);

/// Whether bit `bit` is set in a sysfs bitmap ("40", "1 0 7": words in hexadecimal, the last holding bit 0).
bool sysfsBitmapHas(const std::string& text, unsigned bit);
/// Whether a sysfs bitmap has no bit set at all (an empty text has none).
bool sysfsBitmapIsEmpty(const std::string& text);
/// The bus of an input device from the PRODUCT line of its uevent ("PRODUCT=bus/vendor/product/version").
std::optional<unsigned> evdevBusType(const std::optional<std::string>& uevent);

} // namespace hollerbox
