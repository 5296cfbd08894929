#pragma once

namespace hollerbox {

/// What the hardware check needs to know about the machine.
struct PlatformFacts
{
    /// Whether the operating system is recent enough; always true on Linux.
    bool operatingSystemSupported = true;
    /// Whether the machine has an accelerometer of a kind Hollerbox reads, whether or not it can be opened.
    bool hasReadableAccelerometerHardware = false;
    /// Whether the machine runs on a battery of its own (not a wireless device's).
    bool hasInternalBattery = false;

    friend bool operator==(const PlatformFacts&, const PlatformFacts&) = default;
};

} // namespace hollerbox
