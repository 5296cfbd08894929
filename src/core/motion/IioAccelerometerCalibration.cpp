#include "IioAccelerometerCalibration.h"

#include "AccelerometerUnits.h"

#include <cmath>
#include <vector>

namespace hollerbox {

namespace {

constexpr std::array<std::string_view, 3> kAxisNames{"x", "y", "z"};

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(end + 1);
    }
}

// The first attribute of `names` that exists: its name and text.
std::optional<std::pair<std::string, std::string>>
firstPresent(const IioAccelerometerCalibration::AttributeReader& attribute,
             const std::array<std::string, 3>& names)
{
    for (const std::string& name : names) {
        if (auto text = attribute(name)) {
            return std::pair{name, std::move(*text)};
        }
    }
    return std::nullopt;
}

std::string quoted(std::string_view text)
{
    constexpr std::size_t kLongest = 40;
    std::string shown;
    for (const char character : text.substr(0, kLongest)) {
        shown += character == '\n' ? ' ' : character;
    }
    while (!shown.empty() && shown.back() == ' ') {
        shown.pop_back();
    }
    return "\"" + shown + (text.size() > kLongest ? "...\"" : "\"");
}

} // namespace

std::optional<MountMatrix> parseMountMatrix(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    const auto rows = split(text, ';');
    if (rows.size() != 3) {
        return std::nullopt;
    }
    MountMatrix matrix{};
    std::size_t index = 0;
    for (const std::string_view row : rows) {
        const auto cells = split(row, ',');
        if (cells.size() != 3) {
            return std::nullopt;
        }
        for (const std::string_view cell : cells) {
            const auto value = parseSysfsNumber(cell);
            if (!value) {
                return std::nullopt;
            }
            matrix[index++] = *value;
        }
    }
    const auto& m = matrix;
    const double determinant = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                               m[2] * (m[3] * m[7] - m[4] * m[6]);
    if (!std::isfinite(determinant) || std::abs(determinant) < 1e-6) {
        return std::nullopt;
    }
    return matrix;
}

std::array<double, 3> applyMountMatrix(const MountMatrix& m, const std::array<double, 3>& v)
{
    return {m[0] * v[0] + m[1] * v[1] + m[2] * v[2], m[3] * v[0] + m[4] * v[1] + m[5] * v[2],
            m[6] * v[0] + m[7] * v[1] + m[8] * v[2]};
}

IioCalibrationLookup IioAccelerometerCalibration::read(const AttributeReader& attribute)
{
    std::array<Axis, 3> axes{};
    for (std::size_t index = 0; index < axes.size(); ++index) {
        const std::string axis{kAxisNames[index]};
        const auto scale =
            firstPresent(attribute, {"in_accel_" + axis + "_scale", "in_accel_scale", "scale"});
        if (!scale) {
            return {std::nullopt, "it has no readable scale for its " + axis + " axis"};
        }
        const auto scaleValue = parseSysfsNumber(scale->second);
        if (!scaleValue || !(*scaleValue >= smallestScale && *scaleValue <= largestScale)) {
            return {std::nullopt,
                    scale->first + " reads " + quoted(scale->second) + ", which is no usable scale"};
        }
        axes[index].scale = *scaleValue;
        if (const auto offset =
                firstPresent(attribute, {"in_accel_" + axis + "_offset", "in_accel_offset", "offset"})) {
            const auto offsetValue = parseSysfsNumber(offset->second);
            if (!offsetValue) {
                return {std::nullopt,
                        offset->first + " reads " + quoted(offset->second) + ", which is no number"};
            }
            axes[index].offset = *offsetValue;
        }
    }
    std::optional<MountMatrix> matrix;
    if (const auto text =
            firstPresent(attribute, {"in_accel_mount_matrix", "mount_matrix", "in_mount_matrix"})) {
        matrix = parseMountMatrix(text->second);
    }
    return {IioAccelerometerCalibration{axes, matrix}, {}};
}

SPUDecodedAxes IioAccelerometerCalibration::countsFor(const std::array<std::int64_t, 3>& raw) const
{
    std::array<double, 3> g{};
    for (std::size_t index = 0; index < g.size(); ++index) {
        const Axis& axis = m_axes[index];
        g[index] = (static_cast<double>(raw[index]) + axis.offset) * axis.scale / standardGravity;
    }
    return countsFromG(m_mountMatrix ? applyMountMatrix(*m_mountMatrix, g) : g);
}

} // namespace hollerbox
