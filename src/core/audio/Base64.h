#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// `bytes` in the standard Base64 alphabet of RFC 4648 with "=" padding and no line breaks.
std::string base64Encode(std::string_view bytes);

/// The bytes of `text` in that same form, or none when `text` is anything else (a character outside the
/// alphabet, a line break, missing or misplaced padding, or non-zero bits in the padding).
std::optional<std::string> base64Decode(std::string_view text);

} // namespace hollerbox
