#include "HidBusTransport.h"

#include <array>
#include <string_view>
#include <utility>

namespace hollerbox {

std::optional<std::string> transportForBus(std::uint32_t busType)
{
    // Bus numbers of <linux/input.h>.
    static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 23> kTransports{{
        {0x01, "PCI"},      {0x02, "ISAPnP"},  {0x03, "USB"},     {0x04, "HIL"},   {0x05, "Bluetooth"},
        {0x06, "Virtual"},  {0x10, "ISA"},     {0x11, "i8042"},   {0x12, "XTKBD"}, {0x13, "RS232"},
        {0x14, "Gameport"}, {0x15, "Parport"}, {0x16, "Amiga"},   {0x17, "ADB"},   {0x18, "I2C"},
        {0x19, "Host"},     {0x1A, "GSC"},     {0x1B, "Atari"},   {0x1C, "SPI"},   {0x1D, "RMI"},
        {0x1E, "CEC"},      {0x1F, "ISHTP"},   {0x20, "AMD SFH"},
    }};
    for (const auto& [number, name] : kTransports) {
        if (number == busType) {
            return std::string{name};
        }
    }
    return std::nullopt;
}

} // namespace hollerbox
