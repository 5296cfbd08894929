#pragma once

#include <cstdint>
#include <string>

namespace hollerbox {

/// One HID element of a device, its type in the platform's text form.
struct SPUProbeElementSummary
{
    std::string type;
    std::int64_t usagePage = 0;
    std::int64_t usage = 0;
    std::int64_t reportID = 0;
    std::int64_t reportSize = 0;
    std::int64_t reportCount = 0;

    /// The text form of element type `number`: "IOHIDElementType(rawValue: N)".
    static std::string typeText(std::uint32_t number)
    {
        return "IOHIDElementType(rawValue: " + std::to_string(number) + ")";
    }

    /// Whether the type text names an input type. A plain substring test, so every type number whose
    /// decimal text begins with 1, 2 or 3 passes (output 129 and feature 257 among them).
    bool isInputLike() const
    {
        return type.find("rawValue: 1") != std::string::npos ||
               type.find("rawValue: 2") != std::string::npos || type.find("rawValue: 3") != std::string::npos;
    }

    friend bool operator==(const SPUProbeElementSummary&, const SPUProbeElementSummary&) = default;
};

} // namespace hollerbox
