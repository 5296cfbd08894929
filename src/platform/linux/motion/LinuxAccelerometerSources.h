#pragma once

#include "motion/AccelerometerSource.h"
#include "ports/MainQueue.h"

#include <memory>
#include <string>
#include <vector>

namespace hollerbox {

/// Where the standard Linux accelerometers are looked for; tests point these into an emulated tree.
struct LinuxAccelerometerRoots
{
    std::string sysfsRoot = "/sys";
    std::string deviceRoot = "/dev";
};

/// The accelerometer sources that the movement monitor tries after the HID device, in order: IIO, then
/// evdev. `mainQueue` must outlive them.
std::vector<std::unique_ptr<AccelerometerSource>>
makeLinuxAccelerometerSources(MainQueue& mainQueue, const LinuxAccelerometerRoots& roots = {});

} // namespace hollerbox
