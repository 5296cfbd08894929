#pragma once

#include "HidrawTestbed.h"

#include <array>
#include <map>
#include <string>

namespace hollerbox::testing {

/// One emulated IIO accelerometer.
struct IioAccelerometerDescription
{
    unsigned number = 0;
    std::string name = "accel_3d";
    std::string label{};
    std::string location{};
    /// Which scale attribute it has ("in_accel_scale", "in_accel_x_scale" for all three, "scale") and its
    /// text.
    std::string scaleAttribute = "in_accel_scale";
    std::string scale = "0.009806650";
    std::string offset{};      ///< "in_accel_offset" when not empty
    std::string mountMatrix{}; ///< "in_accel_mount_matrix" when not empty
    /// With a buffer: scan elements x, y, z (le:s32/32>>0) and a timestamp (le:s64/64>>0), a trigger and a
    /// node.
    bool buffered = false;
};

/// Emulated IIO accelerometers (umockdev) whose raw attributes a test sets while a program reads them, and
/// whose buffer it fills with binary scans. Like every testbed, programs see it through `childEnvironment()`
/// and code in the test process through `sysfsRoot()` and `deviceRoot()`.
class IioTestbed final : public HidrawTestbed
{
public:
    /// Adds the device; false with the reason in `error()`.
    bool addAccelerometer(const IioAccelerometerDescription& description = {});
    /// Takes the device away: its sysfs directory and node vanish.
    void removeAccelerometer(unsigned number = 0);

    /// Sets the raw attributes of all three axes to the acceleration `g` (x, y, z in g) at the device's
    /// scale.
    void setAcceleration(const std::array<double, 3>& g, unsigned number = 0);
    /// The raw counts that stand for `g` on the device.
    std::array<std::int64_t, 3> rawFor(const std::array<double, 3>& g, unsigned number = 0) const;
    /// Replaces one attribute's text ("in_accel_x_raw", "buffer/enable").
    void setAttribute(const std::string& attribute, const std::string& text, unsigned number = 0);
    /// The current text of one attribute; empty when it cannot be read.
    std::string attribute(const std::string& attribute, unsigned number = 0) const;

    /// One buffer scan of raw x, y, z and a timestamp, as the device's node hands it out (24 bytes).
    static std::vector<std::uint8_t> scanOf(const std::array<std::int64_t, 3>& raw,
                                            std::int64_t timestamp = 0);
    /// Writes bytes to the device's node, as its buffer would deliver them.
    bool writeToBuffer(std::span<const std::uint8_t> bytes, unsigned number = 0);

    std::string sysfsPath(unsigned number = 0) const;

private:
    std::map<unsigned, IioAccelerometerDescription> m_descriptions;
};

} // namespace hollerbox::testing
