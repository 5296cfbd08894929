#include "SPUDecodedAxes.h"

namespace hollerbox {

namespace {

constexpr std::size_t kXOffset = 6;
constexpr std::size_t kYOffset = 10;
constexpr std::size_t kZOffset = 14;
constexpr std::size_t kMinimumReportLength = 18;

} // namespace

std::optional<std::int32_t> int32LittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    if (offset > bytes.size() || bytes.size() - offset < 4) {
        return std::nullopt;
    }
    const std::uint32_t value = static_cast<std::uint32_t>(bytes[offset]) |
                                static_cast<std::uint32_t>(bytes[offset + 1]) << 8U |
                                static_cast<std::uint32_t>(bytes[offset + 2]) << 16U |
                                static_cast<std::uint32_t>(bytes[offset + 3]) << 24U;
    return static_cast<std::int32_t>(value);
}

std::optional<SPUDecodedAxes> decodeSPUAxes(std::span<const std::uint8_t> report)
{
    if (report.size() < kMinimumReportLength) {
        return std::nullopt;
    }
    return SPUDecodedAxes{*int32LittleEndian(report, kXOffset), *int32LittleEndian(report, kYOffset),
                          *int32LittleEndian(report, kZOffset)};
}

} // namespace hollerbox
