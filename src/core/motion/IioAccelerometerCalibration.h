#pragma once

#include "SPUDecodedAxes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace hollerbox {

/// A 3×3 matrix, rows first, that turns a sensor's axes into the machine's: machine = matrix × sensor.
using MountMatrix = std::array<double, 9>;

/// The matrix of an IIO mount matrix attribute ("x1, y1, z1; x2, y2, z2; x3, y3, z3"); none when the text
/// is not nine finite numbers of that shape or the matrix flattens space (a zero determinant).
std::optional<MountMatrix> parseMountMatrix(std::string_view text);

struct IioCalibrationLookup;

/// How an IIO accelerometer's raw values become acceleration: (raw + offset) × scale is m/s² on each
/// axis, then the mount matrix turns the sensor's axes into the machine's.
class IioAccelerometerCalibration
{
public:
    /// Scales beyond this many m/s² per count (ten g) are taken for garbage.
    static constexpr double largestScale = 98.0665;
    /// Scales below this are taken for garbage: a full 32-bit range would not reach a tenth of a g.
    static constexpr double smallestScale = 1e-9;

    struct Axis
    {
        double scale = 1;
        double offset = 0;
    };

    /// The text of a device attribute by name ("in_accel_x_scale"); none when it is missing or unreadable.
    using AttributeReader = std::function<std::optional<std::string>(const std::string& name)>;

    IioAccelerometerCalibration() = default;
    IioAccelerometerCalibration(std::array<Axis, 3> axes, std::optional<MountMatrix> mountMatrix)
        : m_axes(axes), m_mountMatrix(mountMatrix)
    {}

    /// Reads scale and offset of each axis from the per-axis, then the shared, then the plain attribute
    /// (offset 0 when none exists), and the mount matrix when present. A scale or offset that exists but is
    /// not a number, or a scale that is zero, negative or absurd, makes the device unusable; a mount matrix
    /// that cannot be used is left out.
    static IioCalibrationLookup read(const AttributeReader& attribute);

    /// The raw values of x, y and z as counts of 1/65536 g in the machine's axes.
    SPUDecodedAxes countsFor(const std::array<std::int64_t, 3>& raw) const;

    const std::array<Axis, 3>& axes() const { return m_axes; }
    const std::optional<MountMatrix>& mountMatrix() const { return m_mountMatrix; }

private:
    std::array<Axis, 3> m_axes{};
    std::optional<MountMatrix> m_mountMatrix;
};

/// An IIO accelerometer's calibration, or why there is none (a sentence fragment naming the attribute).
struct IioCalibrationLookup
{
    std::optional<IioAccelerometerCalibration> calibration;
    std::string problem;
};

/// Turns a vector by a mount matrix.
std::array<double, 3> applyMountMatrix(const MountMatrix& matrix, const std::array<double, 3>& vector);

} // namespace hollerbox
