// The sysfs attributes of accelerometers: the whole input read as each attribute in turn, and its
// NUL-separated parts as the attributes of an IIO accelerometer's calibration; the first 72 bytes as an evdev
// device's axes.
#include "FuzzExpect.h"
#include "linux/motion/EvdevDevices.h"
#include "linux/motion/SysfsFiles.h"
#include "motion/AccelerometerUnits.h"
#include "motion/EvdevAccelerometerScaling.h"
#include "motion/IioAccelerometerCalibration.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace hollerbox;

namespace {

constexpr std::array<std::string_view, 12> kCalibrationAttributes{
    "in_accel_x_scale",      "in_accel_y_scale",  "in_accel_z_scale",  "in_accel_scale",  "scale",
    "in_accel_x_offset",     "in_accel_y_offset", "in_accel_z_offset", "in_accel_offset", "offset",
    "in_accel_mount_matrix", "mount_matrix"};

void checkCalibration(std::string_view input)
{
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= input.size() && parts.size() < kCalibrationAttributes.size();) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        parts.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    const auto lookup = IioAccelerometerCalibration::read([&parts](const std::string& name) {
        const auto found = std::find(kCalibrationAttributes.begin(), kCalibrationAttributes.end(), name);
        const auto index = static_cast<std::size_t>(found - kCalibrationAttributes.begin());
        return index < parts.size() && !parts[index].empty() ? std::optional{parts[index]} : std::nullopt;
    });
    HOLLERBOX_FUZZ_EXPECT(lookup.calibration.has_value() == lookup.problem.empty());
    if (!lookup.calibration) {
        return;
    }
    for (const auto& axis : lookup.calibration->axes()) {
        HOLLERBOX_FUZZ_EXPECT(axis.scale >= IioAccelerometerCalibration::smallestScale &&
                              axis.scale <= IioAccelerometerCalibration::largestScale &&
                              std::isfinite(axis.offset));
    }
    constexpr auto lowest = std::numeric_limits<std::int64_t>::min();
    constexpr auto highest = std::numeric_limits<std::int64_t>::max();
    lookup.calibration->countsFor({lowest, 0, highest});
    lookup.calibration->countsFor({-1, 1, 32767});
}

void checkEvdevAxes(std::span<const std::uint8_t> bytes)
{
    std::array<EvdevAxisInfo, 3> axes{};
    if (bytes.size() < sizeof axes) {
        return;
    }
    std::memcpy(axes.data(), bytes.data(), sizeof axes);
    const auto scaling = EvdevAccelerometerScaling::from(axes);
    if (scaling) {
        scaling->countsFor({axes[0].value, axes[1].value, axes[2].value});
        scaling->countsFor(
            {std::numeric_limits<std::int32_t>::min(), 0, std::numeric_limits<std::int32_t>::max()});
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input{reinterpret_cast<const char*>(data), size};

    for (const auto& [key, value] : SysfsFiles::parseUevent(input)) {
        HOLLERBOX_FUZZ_EXPECT(!key.empty() && key.find_first_of("=\n") == std::string::npos);
        HOLLERBOX_FUZZ_EXPECT(value.find('\n') == std::string::npos);
    }
    const auto line = SysfsFiles::firstLine(input);
    HOLLERBOX_FUZZ_EXPECT(line.size() <= 128 && line.find('\n') == std::string::npos);
    if (SysfsFiles::numberAfter(input, "event")) {
        HOLLERBOX_FUZZ_EXPECT(input.starts_with("event") && input.size() > 5);
    }

    if (const auto number = parseSysfsNumber(input)) {
        HOLLERBOX_FUZZ_EXPECT(std::isfinite(*number));
    }
    if (const auto integer = parseSysfsInteger(input)) {
        HOLLERBOX_FUZZ_EXPECT(parseSysfsNumber(input).has_value());
    }
    if (const auto matrix = parseMountMatrix(input)) {
        for (const double cell : *matrix) {
            HOLLERBOX_FUZZ_EXPECT(std::isfinite(cell));
        }
        const auto turned = applyMountMatrix(*matrix, {1, 0, 0});
        HOLLERBOX_FUZZ_EXPECT(turned[0] == (*matrix)[0] && turned[1] == (*matrix)[3] &&
                              turned[2] == (*matrix)[6]);
    }

    const bool empty = sysfsBitmapIsEmpty(input);
    for (const unsigned bit : {0U, 1U, 2U, 6U, 63U, 64U, 200U}) {
        HOLLERBOX_FUZZ_EXPECT(!(empty && sysfsBitmapHas(input, bit)));
    }
    if (const auto bus = evdevBusType(input)) {
        HOLLERBOX_FUZZ_EXPECT(*bus <= 0xFFFF && input.find("PRODUCT=") != std::string::npos);
    }

    checkCalibration(input);
    checkEvdevAxes({data, size});
    return 0;
}
