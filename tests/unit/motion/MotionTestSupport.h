#pragma once

#include "KnownDescriptors.h"
#include "VirtualClock.h"
#include "engine/DiagnosticHandler.h"
#include "motion/FakeHidAccess.h"
#include "motion/HidReportDescriptor.h"
#include "motion/SPUReportBuilder.h"

#include <string>
#include <vector>

namespace hollerbox::testing {

/// A fake vendor 0xFF00/3 accelerometer device with the elements of the vendor descriptor.
inline FakeHidDeviceState accelerometerDevice(const std::string& product,
                                              const std::string& transport = "SPU")
{
    FakeHidDeviceState state;
    state.properties = {{"Product", product},
                        {"VendorID", std::int64_t{0x05AC}},
                        {"ProductID", std::int64_t{0x8104}},
                        {"PrimaryUsagePage", std::int64_t{0xFF00}},
                        {"PrimaryUsage", std::int64_t{3}},
                        {"Transport", transport}};
    state.elements = HidReportDescriptor::parse(descriptors::vendorAccelerometer).elements;
    return state;
}

/// Collects diagnostic sentences.
struct MessageLog
{
    std::vector<std::string> lines;
    DiagnosticHandler handler()
    {
        return [this](const std::string& line) { lines.push_back(line); };
    }
};

} // namespace hollerbox::testing
