#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace hollerbox {

/// One accelerometer reading: raw counts of 1/65536 g per axis.
struct SPUDecodedAxes
{
    static constexpr double gPerCount = 1.52587890625e-5; // 1 / 65536

    std::int32_t xRaw = 0;
    std::int32_t yRaw = 0;
    std::int32_t zRaw = 0;

    double xG() const { return xRaw * gPerCount; }
    double yG() const { return yRaw * gPerCount; }
    double zG() const { return zRaw * gPerCount; }

    friend bool operator==(const SPUDecodedAxes&, const SPUDecodedAxes&) = default;
};

/// The four bytes at `offset` as a little-endian two's-complement value; none when they are not all there.
std::optional<std::int32_t> int32LittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset);

/// The axes of one accelerometer report (x, y, z at offsets 6, 10 and 14); none below 18 bytes.
std::optional<SPUDecodedAxes> decodeSPUAxes(std::span<const std::uint8_t> report);

} // namespace hollerbox
