#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hollerbox {

/// The transport name of a Linux input bus type (BUS_USB is "USB"); none for an unknown bus.
std::optional<std::string> transportForBus(std::uint32_t busType);

} // namespace hollerbox
