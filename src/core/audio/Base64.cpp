#include "Base64.h"

#include <array>
#include <cstdint>

namespace hollerbox {

namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> makeDecodeTable()
{
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
    }
    return table;
}

constexpr auto kDecodeTable = makeDecodeTable();

} // namespace

std::string base64Encode(std::string_view bytes)
{
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const auto group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8 |
                           static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 2]));
        text += kAlphabet[group >> 18 & 0x3f];
        text += kAlphabet[group >> 12 & 0x3f];
        text += kAlphabet[group >> 6 & 0x3f];
        text += kAlphabet[group & 0x3f];
    }
    const auto rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2) {
            group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        }
        text += kAlphabet[group >> 18 & 0x3f];
        text += kAlphabet[group >> 12 & 0x3f];
        text += rest == 2 ? kAlphabet[group >> 6 & 0x3f] : '=';
        text += '=';
    }
    return text;
}

std::optional<std::string> base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        std::size_t padding = 0;
        if (last) {
            padding = text[i + 3] == '=' ? (text[i + 2] == '=' ? 2 : 1) : 0;
        }
        std::uint32_t group = 0;
        for (std::size_t j = 0; j < 4 - padding; ++j) {
            const auto value = kDecodeTable[static_cast<unsigned char>(text[i + j])];
            if (value < 0) {
                return std::nullopt;
            }
            group |= static_cast<std::uint32_t>(value) << (18 - 6 * j);
        }
        if ((padding == 1 && (group & 0xff) != 0) || (padding == 2 && (group & 0xffff) != 0)) {
            return std::nullopt;
        }
        bytes += static_cast<char>(group >> 16 & 0xff);
        if (padding < 2) {
            bytes += static_cast<char>(group >> 8 & 0xff);
        }
        if (padding < 1) {
            bytes += static_cast<char>(group & 0xff);
        }
    }
    return bytes;
}

} // namespace hollerbox
