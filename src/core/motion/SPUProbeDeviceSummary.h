#pragma once

#include "SPUProbeElementSummary.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hollerbox {

/// What is known about one candidate accelerometer device.
struct SPUProbeDeviceSummary
{
    static constexpr std::int64_t vendorUsagePage = 0xFF00;
    static constexpr std::int64_t accelerometerUsage = 3;

    std::string product = "Unknown HID Device";
    std::int64_t vendorID = 0;
    std::int64_t productID = 0;
    std::int64_t usagePage = 0;
    std::int64_t usage = 0;
    std::string transport = "unknown";
    std::vector<SPUProbeElementSummary> reportElements;

    /// The transport is SPU (any letter case), or some element has usage page 0xFF00 and usage 3.
    bool isSPUCandidate() const;
    /// Some input-like element has usage page 0xFF00, usage 3 and a report ID above 0.
    bool hasStreamLikeVendorUsage3Element() const;
    /// Whether the transport, upper-cased, is "SPU".
    bool hasSPUTransport() const;
    /// Number of input-like elements.
    std::int64_t inputLikeElementCount() const;

    friend bool operator==(const SPUProbeDeviceSummary&, const SPUProbeDeviceSummary&) = default;
};

/// `text` with the ASCII letters upper-cased or lower-cased.
std::string asciiUpper(std::string text);
std::string asciiLower(std::string text);

} // namespace hollerbox
