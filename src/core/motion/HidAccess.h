#pragma once

#include "HidDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// Services of a class found in the device registry; `result` is an IOReturn code, 0 when the search ran.
struct HidServiceSearch
{
    std::int32_t result = 0;
    std::vector<std::string> services;
};

/// Every HID device of the machine; `result` is an IOReturn code, 0 when the devices could be listed.
struct HidDeviceList
{
    std::int32_t result = 0;
    std::vector<std::unique_ptr<HidDevice>> devices;
};

/// The HID devices and registry services that motion sensing needs. Main thread only.
class HidAccess
{
public:
    virtual ~HidAccess() = default;

    /// The services of `className` ("AppleSPUHIDDevice", "AppleSPUHIDDriver"), in registry order.
    virtual HidServiceSearch matchingServices(std::string_view className) = 0;
    /// Writes a 32-bit number property of a service; an IOReturn code.
    virtual std::int32_t setServiceProperty(const std::string& service, std::string_view key,
                                            std::int32_t value) = 0;
    /// A HID device for `service`, or none when it cannot be made.
    virtual std::unique_ptr<HidDevice> createDevice(const std::string& service) = 0;
    /// All HID devices, in no particular order.
    virtual HidDeviceList copyAllDevices() = 0;
    /// Runs the calling thread's event loop for `seconds`, delivering device reports meanwhile.
    virtual void runEventLoop(double seconds) = 0;
    /// The effective user ID of the process.
    virtual std::uint32_t effectiveUserID() const = 0;
};

} // namespace hollerbox
