#pragma once

#include "linux/motion/LinuxAccelerometerSources.h"

#include <string>

namespace hollerbox {

/// The IIO and evdev accelerometers of the machine, as lines of the probe's report: what each is, how it
/// would be read and whether it can be.
std::string describeOtherAccelerometers(const LinuxAccelerometerRoots& roots = {});

} // namespace hollerbox
