// An IIO buffer: its enabled scan elements as lines of "<name> <index> <type>" (the index and type attributes
// as sysfs writes them), a blank line, then the bytes read from the buffer, decoded scan by scan.
#include "FuzzExpect.h"
#include "motion/AccelerometerUnits.h"
#include "motion/IioScanLayout.h"

#include <map>
#include <vector>

using namespace hollerbox;

namespace {

bool fits(std::int64_t value, const IioScanElementType& type)
{
    if (type.realBits >= 64) {
        return true;
    }
    const auto bits = static_cast<std::int64_t>(type.realBits);
    if (type.isSigned) {
        return value >= -(std::int64_t{1} << (bits - 1)) && value < (std::int64_t{1} << (bits - 1));
    }
    return value >= 0 && value < (std::int64_t{1} << bits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input{reinterpret_cast<const char*>(data), size};
    const std::size_t blank = input.find("\n\n");
    std::string_view lines = input.substr(0, blank);
    const std::string_view buffer =
        blank == std::string_view::npos ? std::string_view{} : input.substr(blank + 2);

    std::vector<IioScanLayout::Channel> channels;
    std::map<std::string, IioScanElementType> types;
    while (!lines.empty()) {
        const std::string_view line = lines.substr(0, lines.find('\n'));
        lines.remove_prefix(std::min(lines.size(), line.size() + 1));
        const std::size_t first = line.find(' ');
        const std::size_t second = first == std::string_view::npos ? first : line.find(' ', first + 1);
        if (second == std::string_view::npos) {
            return 0;
        }
        const auto index = parseSysfsInteger(line.substr(first + 1, second - first - 1));
        const auto type = IioScanElementType::parse(line.substr(second + 1));
        if (!index || !type) {
            return 0;
        }
        HOLLERBOX_FUZZ_EXPECT(type->storageBytes() >= 1 && type->storageBytes() <= 8);
        HOLLERBOX_FUZZ_EXPECT(type->realBits >= 1 && type->realBits + type->shift <= type->storageBits);
        std::string name{line.substr(0, first)};
        if (!types.emplace(name, *type).second) {
            return 0; // names are unique in a directory
        }
        channels.push_back({std::move(name), *index, *type});
    }

    const std::array<std::string, 3> axes{"in_accel_x", "in_accel_y", "in_accel_z"};
    const auto layout = IioScanLayout::make(channels, axes);
    if (!layout) {
        return 0;
    }
    std::size_t storage = 0;
    for (const auto& channel : channels) {
        storage += channel.type.storageBytes();
    }
    HOLLERBOX_FUZZ_EXPECT(layout->scanBytes() >= storage);
    // Each scan sits in a buffer of its own, so that the sanitizer sees any access past its end.
    for (std::size_t offset = 0; buffer.size() - offset >= layout->scanBytes();
         offset += layout->scanBytes()) {
        const std::vector<std::uint8_t> scan(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                                             buffer.begin() +
                                                 static_cast<std::ptrdiff_t>(offset + layout->scanBytes()));
        const auto raw = layout->decode(scan);
        for (std::size_t axis = 0; axis < raw.size(); ++axis) {
            HOLLERBOX_FUZZ_EXPECT(fits(raw[axis], types.at(axes[axis])));
        }
    }
    return 0;
}
