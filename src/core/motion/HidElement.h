#pragma once

#include <cstdint>

namespace hollerbox {

/// Element type numbers, as the HID layer of the original platform numbers them.
namespace HidElementType {

inline constexpr std::uint32_t inputMisc = 1;
inline constexpr std::uint32_t inputButton = 2;
inline constexpr std::uint32_t inputAxis = 3;
inline constexpr std::uint32_t inputScanCodes = 4;
inline constexpr std::uint32_t output = 129;
inline constexpr std::uint32_t feature = 257;
inline constexpr std::uint32_t collection = 513;

} // namespace HidElementType

/// One element of a HID device: a usage of a report field, or a collection.
struct HidElement
{
    std::uint32_t type = 0;
    std::uint32_t usagePage = 0;
    std::uint32_t usage = 0;
    std::uint32_t reportID = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;

    friend bool operator==(const HidElement&, const HidElement&) = default;
};

} // namespace hollerbox
