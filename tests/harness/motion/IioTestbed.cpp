#include "IioTestbed.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <umockdev.h>

namespace hollerbox::testing {

namespace {

constexpr double kStandardGravity = 9.80665;

std::string nodeName(unsigned number)
{
    return "iio:device" + std::to_string(number);
}

} // namespace

std::string IioTestbed::sysfsPath(unsigned number) const
{
    return "/sys/devices/platform/iio-accel." + std::to_string(number) + "/" + nodeName(number);
}

bool IioTestbed::addAccelerometer(const IioAccelerometerDescription& description)
{
    const std::string node = nodeName(description.number);
    std::ostringstream text;
    text << "P: " << sysfsPath(description.number).substr(4) << "\n";
    if (description.buffered) {
        text << "N: " << node << "\n"
             << "E: DEVNAME=/dev/" << node << "\n";
    }
    text << "E: DEVTYPE=iio_device\nE: SUBSYSTEM=iio\n"
         << "A: name=" << description.name << "\n"
         << "A: in_accel_x_raw=0\nA: in_accel_y_raw=0\nA: in_accel_z_raw=0\n";
    if (description.scaleAttribute == "in_accel_x_scale") {
        for (const char axis : {'x', 'y', 'z'}) {
            text << "A: in_accel_" << axis << "_scale=" << description.scale << "\n";
        }
    } else {
        text << "A: " << description.scaleAttribute << "=" << description.scale << "\n";
    }
    if (!description.offset.empty()) {
        text << "A: in_accel_offset=" << description.offset << "\n";
    }
    if (!description.mountMatrix.empty()) {
        text << "A: in_accel_mount_matrix=" << description.mountMatrix << "\n";
    }
    if (!description.label.empty()) {
        text << "A: label=" << description.label << "\n";
    }
    if (!description.location.empty()) {
        text << "A: location=" << description.location << "\n";
    }
    if (description.buffered) {
        int index = 0;
        for (const char axis : {'x', 'y', 'z'}) {
            text << "A: scan_elements/in_accel_" << axis << "_en=0\n"
                 << "A: scan_elements/in_accel_" << axis << "_index=" << index++ << "\n"
                 << "A: scan_elements/in_accel_" << axis << "_type=le:s32/32>>0\n";
        }
        text << "A: scan_elements/in_timestamp_en=1\nA: scan_elements/in_timestamp_index=3\n"
             << "A: scan_elements/in_timestamp_type=le:s64/64>>0\n"
             << "A: buffer/enable=0\nA: buffer/length=0\nA: trigger/current_trigger=\n";
        text << "\nP: /devices/platform/iio-accel." << description.number << "/trigger" << description.number
             << "\n"
             << "E: SUBSYSTEM=iio\nA: name=" << description.name << "-dev" << description.number << "\n";
    }
    GError* error = nullptr;
    if (!succeeded(umockdev_testbed_add_from_string(testbed(), text.str().c_str(), &error),
                   "cannot add " + node, &error)) {
        return false;
    }
    m_descriptions[description.number] = description;
    return true;
}

void IioTestbed::removeAccelerometer(unsigned number)
{
    removeDevice(sysfsPath(number));
    if (m_descriptions.contains(number) && m_descriptions[number].buffered) {
        removeDeviceNode(nodeName(number));
    }
}

std::array<std::int64_t, 3> IioTestbed::rawFor(const std::array<double, 3>& g, unsigned number) const
{
    const auto found = m_descriptions.find(number);
    const double scale = found == m_descriptions.end() ? 1.0 : std::stod(found->second.scale);
    const double offset =
        found == m_descriptions.end() || found->second.offset.empty() ? 0.0 : std::stod(found->second.offset);
    std::array<std::int64_t, 3> raw{};
    for (std::size_t axis = 0; axis < raw.size(); ++axis) {
        raw[axis] = std::llround(g[axis] * kStandardGravity / scale - offset);
    }
    return raw;
}

void IioTestbed::setAcceleration(const std::array<double, 3>& g, unsigned number)
{
    const auto raw = rawFor(g, number);
    setAttribute("in_accel_x_raw", std::to_string(raw[0]), number);
    setAttribute("in_accel_y_raw", std::to_string(raw[1]), number);
    setAttribute("in_accel_z_raw", std::to_string(raw[2]), number);
}

void IioTestbed::setAttribute(const std::string& attribute, const std::string& text, unsigned number)
{
    umockdev_testbed_set_attribute(testbed(), sysfsPath(number).c_str(), attribute.c_str(), text.c_str());
}

std::string IioTestbed::attribute(const std::string& attribute, unsigned number) const
{
    std::ifstream file{rootDirectory() + sysfsPath(number) + "/" + attribute};
    std::string text;
    std::getline(file, text);
    return text;
}

std::vector<std::uint8_t> IioTestbed::scanOf(const std::array<std::int64_t, 3>& raw, std::int64_t timestamp)
{
    std::vector<std::uint8_t> scan(24, 0);
    const auto put = [&scan](std::size_t offset, std::uint64_t value, std::size_t bytes) {
        for (std::size_t index = 0; index < bytes; ++index) {
            scan[offset + index] = static_cast<std::uint8_t>(value >> (8 * index));
        }
    };
    for (std::size_t axis = 0; axis < raw.size(); ++axis) {
        put(axis * 4,
            static_cast<std::uint64_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(raw[axis]))), 4);
    }
    put(16, static_cast<std::uint64_t>(timestamp), 8);
    return scan;
}

bool IioTestbed::writeToBuffer(std::span<const std::uint8_t> bytes, unsigned number)
{
    return writeReport(nodeName(number), bytes);
}

} // namespace hollerbox::testing
