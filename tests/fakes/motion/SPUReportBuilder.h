#pragma once

#include <cstdint>
#include <vector>

namespace hollerbox::testing {

/// An accelerometer input report: report ID, five filler bytes, x, y, z little-endian at 6, 10 and 14, then
/// zero padding up to `length` (cut short when `length` is below 18).
inline std::vector<std::uint8_t> makeSPUReport(std::int32_t x, std::int32_t y, std::int32_t z,
                                               std::size_t length = 22, std::uint8_t reportID = 1)
{
    std::vector<std::uint8_t> report(std::max<std::size_t>(length, 18), 0);
    report[0] = reportID;
    for (std::size_t index = 1; index < 6; ++index) {
        report[index] = static_cast<std::uint8_t>(0xA0 + index);
    }
    const auto put = [&report](std::size_t offset, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (std::size_t index = 0; index < 4; ++index) {
            report[offset + index] = static_cast<std::uint8_t>(bits >> (8U * index));
        }
    };
    put(6, x);
    put(10, y);
    put(14, z);
    report.resize(length);
    return report;
}

} // namespace hollerbox::testing
