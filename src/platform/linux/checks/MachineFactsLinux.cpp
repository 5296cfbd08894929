#include "MachineFactsLinux.h"

#include "linux/motion/EvdevDevices.h"
#include "linux/motion/HidAccessHidraw.h"
#include "linux/motion/IioDevices.h"
#include "linux/motion/SysfsFiles.h"
#include "motion/SPUDeviceQueries.h"

#include <filesystem>

namespace hollerbox {

PlatformFacts MachineFactsLinux::platformFacts() const
{
    PlatformFacts facts;
    facts.operatingSystemSupported = true;
    facts.hasReadableAccelerometerHardware = hasAccelerometerHardware();
    facts.hasInternalBattery = hasInternalBattery();
    return facts;
}

bool MachineFactsLinux::hasAccelerometerHardware() const
{
    return hasSensorProcessorAccelerometer() ||
           !listIioAccelerometers(m_locations.sysfsRoot, m_locations.deviceRoot).empty() ||
           !listEvdevAccelerometers(m_locations.sysfsRoot, m_locations.deviceRoot).empty();
}

bool MachineFactsLinux::hasSensorProcessorAccelerometer() const
{
    HidAccessHidraw hid{HidAccessHidraw::Locations{m_locations.sysfsRoot, m_locations.deviceRoot}};
    const HidServiceSearch search = hid.matchingServices(SPUDeviceQueries::deviceClass);
    for (const std::string& service : search.services) {
        const auto device = hid.createDevice(service);
        if (device &&
            SPUDeviceQueries::intProperty("PrimaryUsagePage", *device) ==
                SPUProbeDeviceSummary::vendorUsagePage &&
            SPUDeviceQueries::intProperty("PrimaryUsage", *device) ==
                SPUProbeDeviceSummary::accelerometerUsage) {
            return true;
        }
    }
    return false;
}

bool MachineFactsLinux::hasInternalBattery() const
{
    std::error_code error;
    std::filesystem::directory_iterator supplies{m_locations.sysfsRoot + "/class/power_supply", error};
    for (; !error && supplies != std::filesystem::directory_iterator{}; supplies.increment(error)) {
        const std::string supply = supplies->path().string();
        if (SysfsFiles::firstLine(SysfsFiles::read(supply + "/type")) == "Battery" &&
            SysfsFiles::firstLine(SysfsFiles::read(supply + "/scope")) != "Device") {
            return true;
        }
    }
    return false;
}

} // namespace hollerbox
