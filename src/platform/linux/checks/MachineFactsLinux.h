#pragma once

#include "PlatformFacts.h"

#include <string>

namespace hollerbox {

/// Reads the hardware check's facts from sysfs: the accelerometers the movement monitor searches for (the
/// sensor processor's HID device, IIO and evdev accelerometers) and the power supplies. Any thread.
class MachineFactsLinux
{
public:
    /// Where sysfs and the device nodes are; tests point these into an emulated tree.
    struct Locations
    {
        std::string sysfsRoot = "/sys";
        std::string deviceRoot = "/dev";
    };

    MachineFactsLinux() : MachineFactsLinux(Locations{}) {}
    explicit MachineFactsLinux(Locations locations) : m_locations(std::move(locations)) {}

    /// All three facts, read now.
    PlatformFacts platformFacts() const;
    /// True when the movement monitor's search finds at least one accelerometer, openable or not.
    bool hasAccelerometerHardware() const;
    /// True when a power supply of type "Battery" has a scope other than "Device" (or none).
    bool hasInternalBattery() const;

private:
    bool hasSensorProcessorAccelerometer() const;

    Locations m_locations;
};

} // namespace hollerbox
