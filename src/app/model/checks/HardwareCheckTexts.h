#pragma once

#include <string_view>

namespace hollerbox {

/// The titles of the two hardware check items, exactly as shown.
namespace HardwareCheckTexts {

// Platform item.
inline constexpr std::string_view checkingPlatform = "Checking Mac compatibility\u2026";
inline constexpr std::string_view operatingSystemTooOld = "macOS 14 or later required";
inline constexpr std::string_view accelerometerHardwareMissing = "Apple Silicon MacBook required";
inline constexpr std::string_view internalBatteryMissing = "MacBook hardware required";
inline constexpr std::string_view platformReady = "Apple Silicon MacBook detected";

// Motion sensor item.
inline constexpr std::string_view checkingMotionSensor = "Checking motion sensor\u2026";
inline constexpr std::string_view motionSensorNotConfirmed =
    "Motion sensor support is not confirmed on this Mac";
inline constexpr std::string_view motionSensorReady = "Motion sensor is ready";
inline constexpr std::string_view motionSensorUnavailable = "Motion sensor seems unavailable. Try again.";

} // namespace HardwareCheckTexts
} // namespace hollerbox
