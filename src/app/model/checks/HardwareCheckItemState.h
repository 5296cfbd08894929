#pragma once

#include "HardwareCheckStatus.h"

#include <string>

namespace hollerbox {

/// One line of the hardware check as the user sees it; equal when title and status are.
struct HardwareCheckItemState
{
    std::string title;
    HardwareCheckStatus status = HardwareCheckStatus::checking;

    friend bool operator==(const HardwareCheckItemState&, const HardwareCheckItemState&) = default;
};

} // namespace hollerbox
