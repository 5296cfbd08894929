#include "linux/checks/MachineFactsLinux.h"

#include "TemporaryTree.h"

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>

namespace hollerbox::testing {
namespace {

/// A sysfs tree under "sys" beside an empty "dev".
class MachineTree : public TemporaryTree
{
public:
    MachineTree()
    {
        std::filesystem::create_directories(path("sys"));
        std::filesystem::create_directories(path("dev"));
    }

    void write(const std::string& path, std::string_view text) const
    {
        TemporaryTree::write("sys/" + path, text);
    }
    void link(const std::string& target, const std::string& path) const
    {
        TemporaryTree::link(target, "sys/" + path);
    }

    void addPowerSupply(const std::string& name, const std::string& type, const std::string& scope) const
    {
        write("devices/supplies/" + name + "/type", type + "\n");
        if (!scope.empty()) {
            write("devices/supplies/" + name + "/scope", scope + "\n");
        }
        link("../../devices/supplies/" + name, "class/power_supply/" + name);
    }

    /// A HID device whose first application collection is on the vendor page with `usage`.
    void addVendorHidNode(const std::string& node, std::uint8_t usage) const
    {
        const std::string device = "devices/hid-" + node;
        write(device + "/uevent", "HID_ID=0018:000005AC:00008104\nHID_NAME=Sensor " + node + "\n");
        const std::uint8_t descriptor[] = {0x06, 0x00, 0xFF, 0x09, usage, 0xA1, 0x01, 0x85,
                                           0x01, 0x09, 0x03, 0x15, 0x00,  0x26, 0xFF, 0x00,
                                           0x75, 0x08, 0x95, 0x15, 0x81,  0x02, 0xC0};
        write(device + "/report_descriptor", {reinterpret_cast<const char*>(descriptor), sizeof descriptor});
        std::filesystem::create_directories(path("sys/" + device + "/hidraw/" + node));
        link("../../" + device + "/hidraw/" + node, "class/hidraw/" + node);
    }

    MachineFactsLinux facts() const
    {
        return MachineFactsLinux{{path("sys").string(), path("dev").string()}};
    }
};

TEST(MachineFactsLinuxTest, OnlyABatteryThatIsNotAnotherDevicesCountsAsInternal)
{
    const struct
    {
        const char* name;
        std::vector<std::array<std::string, 3>> supplies;
        bool expected;
    } cases[] = {
        {"a system battery", {{"AC", "Mains", ""}, {"BAT0", "Battery", "System"}}, true},
        {"a battery without scope", {{"BAT1", "Battery", ""}}, true},
        {"a mouse's battery only", {{"hidpp_battery_0", "Battery", "Device"}, {"ADP1", "Mains", ""}}, false},
        {"mains only", {{"AC", "Mains", ""}}, false},
        {"no power supplies at all", {}, false},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        MachineTree tree;
        for (const auto& [name, type, scope] : entry.supplies) {
            tree.addPowerSupply(name, type, scope);
        }
        EXPECT_EQ(tree.facts().platformFacts(), (PlatformFacts{true, false, entry.expected}));
    }
}

TEST(MachineFactsLinuxTest, AnyAccelerometerTheMovementMonitorLooksForCountsEvenWithoutItsDeviceNode)
{
    const struct
    {
        const char* name;
        std::function<void(const MachineTree&)> build;
        bool expected;
    } cases[] = {
        {"nothing", [](const MachineTree&) {}, false},
        {"a sensor processor's HID accelerometer",
         [](const MachineTree& tree) {
             tree.addVendorHidNode("hidraw0", 1);
             tree.addVendorHidNode("hidraw1", 3);
         },
         true},
        {"another vendor HID device", [](const MachineTree& tree) { tree.addVendorHidNode("hidraw0", 1); },
         false},
        {"an IIO accelerometer",
         [](const MachineTree& tree) {
             for (const std::string axis : {"x", "y", "z"}) {
                 tree.write("bus/iio/devices/iio:device0/in_accel_" + axis + "_raw", "0\n");
             }
         },
         true},
        {"an IIO device with one axis",
         [](const MachineTree& tree) { tree.write("bus/iio/devices/iio:device0/in_accel_x_raw", "0\n"); },
         false},
        {"an evdev accelerometer",
         [](const MachineTree& tree) {
             tree.write("class/input/event4/device/name", "Laptop accelerometer\n");
             tree.write("class/input/event4/device/properties", "40\n");
             tree.write("class/input/event4/device/uevent", "PRODUCT=18/0/0/0\n");
         },
         true},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        MachineTree tree;
        tree.addPowerSupply("BAT0", "Battery", "System");
        entry.build(tree);
        EXPECT_EQ(tree.facts().platformFacts(), (PlatformFacts{true, entry.expected, true}));
    }
}

} // namespace
} // namespace hollerbox::testing
