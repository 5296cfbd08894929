#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace hollerbox {

/// `value` in lower-case hexadecimal without prefix; a negative value keeps its sign (-1ffffd3b).
std::string formatSignedHex(std::int64_t value);

/// The first min(16, size) bytes as two lower-case hexadecimal digits each, separated by single spaces.
std::string hexPreview(std::span<const std::uint8_t> bytes);

} // namespace hollerbox
