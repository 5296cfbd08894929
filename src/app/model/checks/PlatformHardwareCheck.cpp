#include "PlatformHardwareCheck.h"

#include "HardwareCheckTexts.h"

namespace hollerbox::PlatformHardwareCheck {

HardwareCheckItemState evaluate(const PlatformFacts& facts)
{
    if (!facts.operatingSystemSupported) {
        return {std::string{HardwareCheckTexts::operatingSystemTooOld}, HardwareCheckStatus::warning};
    }
    if (!facts.hasReadableAccelerometerHardware) {
        return {std::string{HardwareCheckTexts::accelerometerHardwareMissing}, HardwareCheckStatus::warning};
    }
    if (!facts.hasInternalBattery) {
        return {std::string{HardwareCheckTexts::internalBatteryMissing}, HardwareCheckStatus::warning};
    }
    return {std::string{HardwareCheckTexts::platformReady}, HardwareCheckStatus::ready};
}

} // namespace hollerbox::PlatformHardwareCheck
