#pragma once

namespace hollerbox {

/// Where one hardware check stands; the checks never produce `unavailable`, but views show it.
enum class HardwareCheckStatus
{
    checking,
    ready,
    warning,
    unavailable
};

} // namespace hollerbox
