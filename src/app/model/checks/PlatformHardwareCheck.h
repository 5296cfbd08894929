#pragma once

#include "HardwareCheckItemState.h"
#include "linux/checks/PlatformFacts.h"

namespace hollerbox {

/// The platform item of the hardware check.
namespace PlatformHardwareCheck {

/// Ready only with a supported system, the accelerometer hardware and an internal battery; otherwise a
/// warning naming the first missing fact, in that order.
HardwareCheckItemState evaluate(const PlatformFacts& facts);

} // namespace PlatformHardwareCheck
} // namespace hollerbox
