#include "HexFormatting.h"

#include <algorithm>
#include <array>

namespace hollerbox {

namespace {

constexpr std::size_t kPreviewByteCount = 16;
constexpr std::string_view kDigits = "0123456789abcdef";

} // namespace

std::string formatSignedHex(std::int64_t value)
{
    // The magnitude is taken as unsigned so that the most negative value has one too.
    std::uint64_t magnitude =
        value < 0 ? ~static_cast<std::uint64_t>(value) + 1U : static_cast<std::uint64_t>(value);
    std::array<char, 17> digits{};
    std::size_t count = 0;
    do {
        digits[count++] = kDigits[magnitude & 0xFU];
        magnitude >>= 4U;
    } while (magnitude != 0);
    std::string text = value < 0 ? "-" : "";
    while (count > 0) {
        text += digits[--count];
    }
    return text;
}

std::string hexPreview(std::span<const std::uint8_t> bytes)
{
    const std::size_t count = std::min(bytes.size(), kPreviewByteCount);
    std::string text;
    text.reserve(count * 3);
    for (std::size_t index = 0; index < count; ++index) {
        if (index > 0) {
            text += ' ';
        }
        text += kDigits[bytes[index] >> 4U];
        text += kDigits[bytes[index] & 0xFU];
    }
    return text;
}

} // namespace hollerbox
