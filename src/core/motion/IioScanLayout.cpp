#include "IioScanLayout.h"

#include <algorithm>
#include <charconv>

namespace hollerbox {

namespace {

bool readNumber(std::string_view& text, unsigned& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data()) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

bool consume(std::string_view& text, std::string_view prefix)
{
    if (!text.starts_with(prefix)) {
        return false;
    }
    text.remove_prefix(prefix.size());
    return true;
}

} // namespace

std::optional<IioScanElementType> IioScanElementType::parse(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    IioScanElementType type;
    if (consume(text, "be:")) {
        type.bigEndian = true;
    } else if (!consume(text, "le:")) {
        return std::nullopt;
    }
    if (consume(text, "s")) {
        type.isSigned = true;
    } else if (!consume(text, "u")) {
        return std::nullopt;
    }
    if (!readNumber(text, type.realBits) || !consume(text, "/") || !readNumber(text, type.storageBits)) {
        return std::nullopt;
    }
    // A repeat count ("X2") other than one would give a channel several values: not an accelerometer axis.
    if (consume(text, "X")) {
        unsigned repeat = 0;
        if (!readNumber(text, repeat) || repeat != 1) {
            return std::nullopt;
        }
    }
    if (!consume(text, ">>") || !readNumber(text, type.shift) || !text.empty()) {
        return std::nullopt;
    }
    const bool knownStorage =
        type.storageBits == 8 || type.storageBits == 16 || type.storageBits == 32 || type.storageBits == 64;
    if (!knownStorage || type.realBits == 0 || type.shift >= type.storageBits ||
        type.realBits > type.storageBits - type.shift) {
        return std::nullopt;
    }
    return type;
}

std::int64_t IioScanElementType::decode(std::span<const std::uint8_t> bytes) const
{
    const std::size_t count = storageBytes();
    std::uint64_t stored = 0;
    for (std::size_t index = 0; index < count; ++index) {
        const std::uint8_t byte = bigEndian ? bytes[index] : bytes[count - 1 - index];
        stored = (stored << 8U) | byte;
    }
    stored >>= shift;
    if (realBits < 64) {
        stored &= (std::uint64_t{1} << realBits) - 1;
        if (isSigned && (stored & (std::uint64_t{1} << (realBits - 1))) != 0) {
            stored |= ~((std::uint64_t{1} << realBits) - 1);
        }
    }
    return static_cast<std::int64_t>(stored);
}

std::optional<IioScanLayout> IioScanLayout::make(std::vector<Channel> channels,
                                                 const std::array<std::string, 3>& axisNames)
{
    std::stable_sort(channels.begin(), channels.end(),
                     [](const Channel& left, const Channel& right) { return left.index < right.index; });
    IioScanLayout layout;
    std::array<bool, 3> found{};
    std::size_t offset = 0;
    std::size_t largest = 1;
    for (std::size_t position = 0; position < channels.size(); ++position) {
        const Channel& channel = channels[position];
        if (position > 0 && channels[position - 1].index == channel.index) {
            return std::nullopt;
        }
        const std::size_t size = channel.type.storageBytes();
        offset = (offset + size - 1) / size * size;
        largest = std::max(largest, size);
        for (std::size_t axis = 0; axis < axisNames.size(); ++axis) {
            if (channel.name == axisNames[axis]) {
                layout.m_axes[axis] = {offset, channel.type};
                found[axis] = true;
            }
        }
        offset += size;
    }
    if (!found[0] || !found[1] || !found[2]) {
        return std::nullopt;
    }
    layout.m_scanBytes = (offset + largest - 1) / largest * largest;
    return layout;
}

std::array<std::int64_t, 3> IioScanLayout::decode(std::span<const std::uint8_t> scan) const
{
    std::array<std::int64_t, 3> raw{};
    for (std::size_t axis = 0; axis < raw.size(); ++axis) {
        const Placement& placement = m_axes[axis];
        raw[axis] = placement.type.decode(scan.subspan(placement.offset, placement.type.storageBytes()));
    }
    return raw;
}

} // namespace hollerbox
