#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hollerbox {

/// The storage of one channel in an IIO buffer scan, from its scan element type ("le:s12/16>>4").
struct IioScanElementType
{
    bool bigEndian = false;
    bool isSigned = false;
    unsigned realBits = 0;
    unsigned storageBits = 0;
    unsigned shift = 0;

    /// Storage of 8, 16, 32 or 64 bits holding at least one value bit; none for any other text.
    static std::optional<IioScanElementType> parse(std::string_view text);

    std::size_t storageBytes() const { return storageBits / 8; }
    /// The value stored at the start of `bytes`, which must hold `storageBytes()`.
    std::int64_t decode(std::span<const std::uint8_t> bytes) const;
};

/// Where x, y and z sit in one scan of an IIO buffer: the enabled channels in index order, each aligned to
/// its own size, the scan padded to its largest channel.
class IioScanLayout
{
public:
    /// An enabled channel of the buffer.
    struct Channel
    {
        std::string name;
        std::int64_t index = 0;
        IioScanElementType type;
    };

    /// The layout of `channels` (all enabled ones, in any order) in which the accelerometer's x, y and z are
    /// named `xName`, `yName` and `zName`; none when one of them is missing or two share an index.
    static std::optional<IioScanLayout> make(std::vector<Channel> channels,
                                             const std::array<std::string, 3>& axisNames);

    std::size_t scanBytes() const { return m_scanBytes; }
    /// The raw x, y, z of one scan; `scan` must hold `scanBytes()`.
    std::array<std::int64_t, 3> decode(std::span<const std::uint8_t> scan) const;

private:
    struct Placement
    {
        std::size_t offset = 0;
        IioScanElementType type;
    };

    std::array<Placement, 3> m_axes{};
    std::size_t m_scanBytes = 0;
};

} // namespace hollerbox
