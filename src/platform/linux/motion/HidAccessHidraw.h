#pragma once

#include "motion/HidAccess.h"

#include <optional>
#include <string>
#include <vector>

namespace hollerbox {

class HidDeviceHidraw;

/// HID access through Linux hidraw: the devices under /sys/class/hidraw with their /dev nodes stand for
/// the sensor processor's HID services and for the HID manager's device list. There are no sensor driver
/// services to wake. Main thread only; the event loop is Qt's.
class HidAccessHidraw final : public HidAccess
{
public:
    /// Where sysfs and the device nodes are; tests point these into an emulated tree.
    struct Locations
    {
        std::string sysfsRoot = "/sys";
        std::string deviceRoot = "/dev";
    };

    HidAccessHidraw() : HidAccessHidraw(Locations{}) {}
    explicit HidAccessHidraw(Locations locations) : m_locations(std::move(locations)) {}

    HidServiceSearch matchingServices(std::string_view className) override;
    std::int32_t setServiceProperty(const std::string& service, std::string_view key,
                                    std::int32_t value) override;
    std::unique_ptr<HidDevice> createDevice(const std::string& service) override;
    HidDeviceList copyAllDevices() override;
    void runEventLoop(double seconds) override;
    std::uint32_t effectiveUserID() const override;

    /// The hidraw node for `service` ("hidraw3") as sysfs describes it; none when it is not there.
    std::unique_ptr<HidDeviceHidraw> createHidrawDevice(const std::string& service) const;

private:
    /// The hidraw nodes in number order, or the IOReturn code of a listing that failed.
    HidServiceSearch listNodes() const;

    Locations m_locations;
};

} // namespace hollerbox
